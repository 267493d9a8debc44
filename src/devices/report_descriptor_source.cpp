// sysfs report_descriptor of the node's device, else HIDIOCGRDESCSIZE and HIDIOCGRDESC on the node.
#include "devices/report_descriptor_source.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vt::devices {
namespace {

std::optional<std::vector<std::uint8_t>> fromSysfs(const std::string& path) {
    const std::string node = std::filesystem::path(path).filename().string();
    if (node.rfind("hidraw", 0) != 0) return std::nullopt;
    std::ifstream in("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::optional<std::vector<std::uint8_t>> fromIoctl(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    int size = 0;
    hidraw_report_descriptor d{};
    std::optional<std::vector<std::uint8_t>> out;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        why = std::string("HIDIOCGRDESCSIZE: ") + std::strerror(errno);
    } else if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        why = "descriptor size " + std::to_string(size);
    } else {
        d.size = static_cast<std::uint32_t>(size);
        if (::ioctl(fd, HIDIOCGRDESC, &d) < 0)
            why = std::string("HIDIOCGRDESC: ") + std::strerror(errno);
        else
            out.emplace(d.value, d.value + size);
    }
    ::close(fd);
    return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readReportDescriptor(const std::string& path,
                                                              std::string& why) {
    if (auto bytes = fromSysfs(path)) return bytes;
    return fromIoctl(path, why);
}

}  // namespace vt::devices
