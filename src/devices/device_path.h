// A device node named by the user (--device): whether it can be opened for reading and writing,
// and the system's reason when it cannot.
#pragma once

#include <string>

namespace vt::devices {

// Empty when `path` opens, or is busy (held for exclusive use: whose it is, the lock on the unit
// tells later); else the system's text ("No such file or directory").
std::string deviceOpenProblem(const std::string& path);

}  // namespace vt::devices
