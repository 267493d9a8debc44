// A device node named by the user (--device): whether it is what the transport needs (a hidraw
// node, or a serial port) and can be opened for reading and writing, and why not.
#pragma once

#include <string>

namespace vt::devices {

// Empty when `path` opens and is a hidraw node (with `serial`, a terminal), or is busy (held for
// exclusive use: whose it is, the lock on the unit tells later); else the whole reason, naming
// the path: "cannot open PATH: No such file or directory", "PATH is not a hidraw device". A node
// is taken for hidraw when it answers hidraw's own requests, so that nothing else (/dev/null, a
// plain file, a terminal) ever reaches the HID library, which cannot cope with them.
std::string deviceOpenProblem(const std::string& path, bool serial = false);

}  // namespace vt::devices
