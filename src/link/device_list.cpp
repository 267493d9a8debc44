// Device list lines and unit selection.
#include "link/device_list.h"

#include <cstdio>

namespace vt {

std::string DeviceName(const HidDeviceInfo& device) {
    char ids[48];
    std::snprintf(ids, sizeof ids, "Device VID=%.4X PID=%.4X", device.vendorId, device.productId);
    std::string line = device.product + ids;
    if (!device.serial.empty()) line += " (自定义HID描述符=" + device.serial + ")";
    return line;
}

DeviceListing HidCtlDeviceChange(const std::vector<HidDeviceInfo>& present) {
    DeviceListing listing;
    for (const auto& d : present) {
        if (d.vendorId != kUnitVendorId) continue;
        listing.devices.push_back(d);
        listing.lines.push_back(DeviceName(d));
    }
    for (std::size_t i = 0; i < listing.devices.size(); ++i)
        if (listing.devices[i].productId == kUnitProductId) listing.unit = static_cast<int>(i);
    return listing;
}

}  // namespace vt
