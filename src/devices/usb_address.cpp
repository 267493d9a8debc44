// The hidraw node's sysfs device, and up from there to the USB device with busnum and devnum.
#include "devices/usb_address.h"

#include <filesystem>
#include <fstream>

namespace vt::devices {
namespace {

std::optional<unsigned> numberIn(const std::filesystem::path& file) {
    std::ifstream in(file);
    unsigned value = 0;
    if (in >> value) return value;
    return std::nullopt;
}

}  // namespace

std::optional<capture::UsbAddress> usbAddressOf(const std::string& hidrawPath,
                                                const std::string& sysRoot) {
    namespace fs = std::filesystem;
    const std::string node = fs::path(hidrawPath).filename().string();
    if (node.rfind("hidraw", 0) != 0) return std::nullopt;
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(sysRoot) / "class/hidraw" / node / "device", ec);
    if (ec) return std::nullopt;
    const fs::path root = fs::canonical(sysRoot, ec);
    for (; !ec && dir != root && dir.has_relative_path(); dir = dir.parent_path()) {
        const auto bus = numberIn(dir / "busnum");
        const auto device = numberIn(dir / "devnum");
        if (bus && device && *bus <= 0xFFFF && *device <= 0xFF)
            return capture::UsbAddress{static_cast<std::uint16_t>(*bus),
                                       static_cast<std::uint8_t>(*device)};
    }
    return std::nullopt;
}

}  // namespace vt::devices
