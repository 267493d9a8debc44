// The doctor's view of the running Linux system: the real file system, /proc and this login.
#pragma once

#include "app/doctor.h"

namespace vt::doctor {

class SystemFileSystem : public FileSystem {
  public:
    std::vector<std::string> list(const std::string& dir) const override;
    std::optional<std::string> read(const std::string& path) const override;
    std::string resolve(const std::string& path) const override;
    bool mayOpen(const std::string& path) const override;
    std::string groupOf(const std::string& path) const override;
};

// Reads /proc/<pid>/comm and the links in /proc/<pid>/fd.
class SystemProcessTable : public ProcessTable {
  public:
    std::vector<Process> processes() const override;
};

// This process, its groups and its logind session (XDG_SESSION_ID, else the session whose scope
// holds this process).
User currentUser();

// The udev rule in the source tree this program was built from (it may be gone since).
std::string checkoutRule();

}  // namespace vt::doctor
