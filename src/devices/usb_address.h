// Where a hidraw device sits on USB (bus and device number), for the captures of its reports.
#pragma once

#include <optional>
#include <string>

#include "capture/usb_capture.h"

namespace vt::devices {

// The bus and device number of the USB device behind `/dev/hidrawN`, read from sysfs under
// `sysRoot`; nullopt for a device that is not on USB or not a hidraw node.
std::optional<capture::UsbAddress> usbAddressOf(const std::string& hidrawPath,
                                                const std::string& sysRoot = "/sys");

}  // namespace vt::devices
