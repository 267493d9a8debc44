// A device node named by the user (--device): whether it can be opened for reading and writing,
// and the system's reason when it cannot.
#pragma once

#include <string>

namespace vt::devices {

// Empty when `path` opens; else the system's text ("No such file or directory").
std::string deviceOpenProblem(const std::string& path);

}  // namespace vt::devices
