// The connection doctor: why the unit can or cannot be used. The checks read the system through
// two small interfaces (file system, process table) so that tests run them on fakes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vt::doctor {

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // The names in a directory (none when it is missing).
    virtual std::vector<std::string> list(const std::string& dir) const = 0;
    virtual std::optional<std::string> read(const std::string& path) const = 0;
    // The path with every link resolved, or an empty string.
    virtual std::string resolve(const std::string& path) const = 0;
    // Whether this process may open the file for reading and writing.
    virtual bool mayOpen(const std::string& path) const = 0;
    // The name of the group that owns the file, or an empty string.
    virtual std::string groupOf(const std::string& path) const = 0;
};

struct Process {
    int pid = 0;
    std::string name;
    std::vector<std::string> openFiles;  // targets of its file descriptors
};

class ProcessTable {
  public:
    virtual ~ProcessTable() = default;
    // The processes whose open files this user may see.
    virtual std::vector<Process> processes() const = 0;
};

// Who runs the doctor.
struct User {
    int pid = 0;                      // this process: not counted as holding a device
    std::vector<std::string> groups;  // the groups of this login
    std::string sessionId;            // the logind session, empty when there is none
};

enum class Transport { Usb, Uart, Simulated };
enum class Access { Ok, Denied, Busy };

struct UnitCheck {
    std::string path;     // /dev/hidraw3
    std::string usbPath;  // 1-2 (bus-port of the USB device), when known
    Transport transport = Transport::Usb;
    Access access = Access::Ok;
    bool answered = false;
    std::string reason;  // why it cannot be used; empty when nothing is wrong
    std::string fix;     // the one shell command line that mends it, or empty
    std::string note;    // what else to know or do (log in again...), or empty
};

struct RuleCheck {
    bool installed = false;
    std::string path;
    std::string fix;  // how to install it, when it is not installed
};

struct SerialCheck {
    std::string name;  // /dev/ttyUSB0
    bool ok = false;
    std::string reason;
    std::string fix;  // as for a unit
    std::string note;
};

struct Findings {
    std::vector<UnitCheck> units;
    RuleCheck rule;
    std::vector<SerialCheck> serialPorts;
};

// Fixes named in the findings and in the user documentation. Each is one line that a shell runs
// as it stands; what else the user must do goes in the finding's note.
inline constexpr const char* kApplyRuleFix =
    "sudo udevadm control --reload-rules && sudo udevadm trigger";
inline constexpr const char* kGroupAccessFix =
    "echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
    "GROUP=\"plugdev\", MODE=\"0660\"' | sudo tee /etc/udev/rules.d/71-vortella-plugdev.rules && "
    "sudo groupadd -f plugdev && sudo usermod -aG plugdev \"$USER\" && sudo udevadm control "
    "--reload-rules && sudo udevadm trigger";

// Looks at the HID devices, the udev rule and the serial ports. No unit is asked anything:
// `answered` stays false until the caller probes the units. `checkoutRule` is the udev rule in
// the source tree this program was built from, named by the fix when it is still there.
Findings examine(const FileSystem& fs, const ProcessTable& processes, const User& user,
                 const std::string& checkoutRule);

// `word` as one word of a shell command: as it is when nothing in it is special, else quoted.
std::string shellWord(const std::string& word);

// The logind session in a process's /proc/PID/cgroup text (its "session-ID.scope"), or an empty
// string when the process is in none (a service, a user manager's own unit).
std::string sessionOfCgroup(const std::string& cgroup);

// The USB device (bus-port, "1-2.4") in a resolved sysfs path of a hidraw device.
std::string usbPathOf(const std::string& sysfsPath);

}  // namespace vt::doctor
