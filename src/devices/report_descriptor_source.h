// The report descriptor of a hidraw device node, read from sysfs or with the hidraw ioctls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt::devices {

// `path` is the device node (/dev/hidrawN). nullopt with `why` set when neither source answers.
std::optional<std::vector<std::uint8_t>> readReportDescriptor(const std::string& path,
                                                              std::string& why);

}  // namespace vt::devices
