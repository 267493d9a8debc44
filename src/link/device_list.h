// Listing the HID devices with the unit's vendor ID and selecting the unit among them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

inline constexpr std::uint16_t kUnitVendorId = 0x0483;
inline constexpr std::uint16_t kUnitProductId = 0x690E;

// What the HID layer reports of one present device.
struct HidDeviceInfo {
    std::string path;  // platform path, unique while the device is present
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string product;
    std::string serial;
};

// The device's list line: product, "Device VID=%.4x PID=%.4x", the serial number if any.
std::string DeviceName(const HidDeviceInfo& device);

struct DeviceListing {
    std::vector<HidDeviceInfo> devices;  // the listed devices (unit's vendor ID), in order
    std::vector<std::string> lines;      // their list lines
    int unit = -1;                       // index of the selected unit, -1 when none
};

// Rebuilds the list from every present HID device and selects the unit: the last listed device
// with the unit's product ID.
DeviceListing HidCtlDeviceChange(const std::vector<HidDeviceInfo>& present);

}  // namespace vt
