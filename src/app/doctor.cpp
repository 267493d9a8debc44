// The doctor's checks of the HID devices, the udev rule and the serial ports.
#include "app/doctor.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <regex>
#include <sstream>

namespace vt::doctor {
namespace {

constexpr const char* kHidClass = "/sys/class/hidraw";
// HID_ID of the unit in a hidraw device's uevent: bus USB, vendor 0x0483, product 0x690E.
constexpr const char* kUnitHidId = "hid_id=0003:00000483:0000690e";
constexpr std::array<const char*, 4> kRuleDirs{"/etc/udev/rules.d", "/run/udev/rules.d",
                                               "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
constexpr std::array<const char*, 2> kSerialPrefixes{"ttyUSB", "ttyACM"};
// Present while the package is installed (dpkg's list of its files).
constexpr const char* kPackageFiles = "/var/lib/dpkg/info/vortella.list";
constexpr const char* kReinstallFix = "sudo apt install --reinstall vortella";
// The line of the packaged rule, written out when no copy of the rule is at hand.
constexpr const char* kRuleLine =
    "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
    "TAG+=\"uaccess\"";
constexpr const char* kRuleTarget = "/etc/udev/rules.d/70-vortella.rules";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isUnitUevent(const std::string& uevent) {
    const std::string text = lower(uevent);
    std::size_t at = 0;
    while ((at = text.find(kUnitHidId, at)) != std::string::npos) {
        const std::size_t end = at + std::char_traits<char>::length(kUnitHidId);
        if ((at == 0 || text[at - 1] == '\n') && (end == text.size() || text[end] == '\n'))
            return true;
        at = end;
    }
    return false;
}

// Whether the file at `path` is a udev rule naming the unit's vendor and product.
bool isUnitRule(const FileSystem& fs, const std::string& path) {
    const auto text = fs.read(path);
    if (!text) return false;
    const std::string l = lower(*text);
    return l.find("\"0483\"") != std::string::npos && l.find("\"690e\"") != std::string::npos;
}

// The command that installs the rule: the package again when it is installed, else a copy of
// the checkout's rule while that is there, else the rule's line written out.
std::string installRuleFix(const FileSystem& fs, const std::string& checkoutRule) {
    if (fs.read(kPackageFiles)) return kReinstallFix;
    const bool printable = std::none_of(checkoutRule.begin(), checkoutRule.end(),
                                        [](unsigned char c) { return c < 0x20 || c == 0x7F; });
    if (!checkoutRule.empty() && checkoutRule.front() == '/' && printable &&
        isUnitRule(fs, checkoutRule))
        return "sudo cp " + shellWord(checkoutRule) + " /etc/udev/rules.d/ && " + kApplyRuleFix;
    return "echo " + shellWord(kRuleLine) + " | sudo tee " + kRuleTarget + " && " + kApplyRuleFix;
}

RuleCheck findRule(const FileSystem& fs, const std::string& checkoutRule) {
    for (const char* dir : kRuleDirs) {
        auto names = fs.list(dir);
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            if (name.size() < 6 || name.compare(name.size() - 6, 6, ".rules") != 0) continue;
            const std::string path = std::string(dir) + "/" + name;
            if (isUnitRule(fs, path)) return {true, path, {}};
        }
    }
    return {false, {}, installRuleFix(fs, checkoutRule)};
}

// A new group reaches a login only when it starts.
std::string loginAgainNote(const std::string& group) {
    return "then log out and in again, so that the login is in group " + group;
}

// The value of `key` in logind's record of a session ("KEY=value" lines), or an empty string.
std::string sessionField(const std::string& record, const std::string& key) {
    const std::string text = "\n" + record;
    const std::size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

// Where the login sits: the seat of its session, and whether it is the session in front there.
struct SeatPlace {
    std::string seat;  // empty: no session, or one without a seat (SSH, a service)
    bool active = false;
};

SeatPlace seatOf(const FileSystem& fs, const User& user) {
    if (user.sessionId.empty() || user.sessionId.find('/') != std::string::npos) return {};
    const auto record = fs.read("/run/systemd/sessions/" + user.sessionId);
    if (!record) return {};
    const std::string active = sessionField(*record, "ACTIVE");
    return {sessionField(*record, "SEAT"), active == "1" || active == "yes"};
}

// The first other process that holds `path` open.
std::optional<Process> holderOf(const std::string& path, const std::vector<Process>& processes,
                                const User& user) {
    for (const auto& p : processes) {
        if (p.pid == user.pid) continue;
        if (std::find(p.openFiles.begin(), p.openFiles.end(), path) != p.openFiles.end()) return p;
    }
    return std::nullopt;
}

void judgeUnit(UnitCheck& unit, const FileSystem& fs, const std::vector<Process>& processes,
               const User& user, const RuleCheck& rule) {
    if (!fs.mayOpen(unit.path)) {
        unit.access = Access::Denied;
        if (!rule.installed) {
            unit.reason = "this user may not open it and no udev rule for the unit is installed";
            unit.fix = rule.fix;
        } else if (const SeatPlace place = seatOf(fs, user); place.seat.empty()) {
            unit.reason =
                "this user may not open it: the login has no logind seat session (for example "
                "an SSH login), so the rule's uaccess tag does not apply";
            unit.fix = kGroupAccessFix;
            unit.note = loginAgainNote("plugdev");
        } else if (!place.active) {
            // uaccess opens the unit to the session in front of the seat, and to no other.
            unit.reason = "this user may not open it: the login's session " + user.sessionId +
                          " on " + place.seat +
                          " is not the active one there, and the rule's uaccess tag lets only "
                          "the active session open the unit";
            unit.fix = kGroupAccessFix;
            unit.note = loginAgainNote("plugdev") + "; or bring this session to the front (" +
                        "loginctl activate " + shellWord(user.sessionId) + ")";
        } else {
            unit.reason = "this user may not open it: the udev rule " + rule.path +
                          " has not been applied to the device yet";
            unit.fix = kApplyRuleFix;
            unit.note = "if it still cannot be opened, unplug the unit and plug it in again";
        }
        return;
    }
    // The holder is often the user's own window, perhaps with edits not yet saved: it is named,
    // nothing more. One of ours that holds the unit owns it, and serves the others.
    if (const auto holder = holderOf(unit.path, processes, user)) {
        unit.access = Access::Busy;
        unit.note = holder->name + " (pid " + std::to_string(holder->pid) +
                    ") has it open as well; while the window or 'vortella-cli serve' has it, the "
                    "unit is theirs and the device commands go through them";
    }
}

SerialCheck judgePort(const std::string& path, const FileSystem& fs, const User& user) {
    SerialCheck port;
    port.name = path;
    port.ok = fs.mayOpen(path);
    if (port.ok) return port;
    std::string group = fs.groupOf(path);
    if (group.empty()) group = "dialout";
    const bool member =
        std::find(user.groups.begin(), user.groups.end(), group) != user.groups.end();
    if (member) {
        // Joining the group again would change nothing.
        port.reason = "this user may not open it although the login is in group " + group;
        port.note = "the port's permissions keep the group out; ls -l " + path + " shows them";
        return port;
    }
    port.reason = "this user is not in group " + group;
    port.fix = "sudo usermod -aG " + shellWord(group) + " \"$USER\"";
    port.note = loginAgainNote(group);
    return port;
}

}  // namespace

std::string shellWord(const std::string& word) {
    static constexpr const char* kPlain =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_@%+=:,./-";
    if (!word.empty() && word.find_first_not_of(kPlain) == std::string::npos) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string sessionOfCgroup(const std::string& cgroup) {
    std::istringstream lines(cgroup);
    for (std::string line; std::getline(lines, line);) {
        // "hierarchy:controllers:path"; logind's scopes are in the unified or the systemd tree.
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first == std::string::npos ? 0 : first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        if (!controllers.empty() && controllers != "name=systemd") continue;
        // The first unit below the slices: a session's scope is "session-ID.scope".
        std::istringstream parts(line.substr(second + 1));
        for (std::string part; std::getline(parts, part, '/');) {
            if (part.empty() || part.ends_with(".slice")) continue;
            if (part.starts_with("session-") && part.ends_with(".scope") && part.size() > 14)
                return part.substr(8, part.size() - 14);
            break;
        }
    }
    return {};
}

std::string usbPathOf(const std::string& sysfsPath) {
    static const std::regex kUsbDevice("^[0-9]+-[0-9]+(\\.[0-9]+)*$");
    std::string found;
    std::size_t start = 0;
    while (start <= sysfsPath.size()) {
        std::size_t end = sysfsPath.find('/', start);
        if (end == std::string::npos) end = sysfsPath.size();
        const std::string part = sysfsPath.substr(start, end - start);
        if (std::regex_match(part, kUsbDevice)) found = part;
        start = end + 1;
    }
    return found;
}

Findings examine(const FileSystem& fs, const ProcessTable& processes, const User& user,
                 const std::string& checkoutRule) {
    Findings findings;
    findings.rule = findRule(fs, checkoutRule);
    const std::vector<Process> table = processes.processes();

    auto nodes = fs.list(kHidClass);
    std::sort(nodes.begin(), nodes.end());
    for (const auto& node : nodes) {
        const std::string device = std::string(kHidClass) + "/" + node + "/device";
        const auto uevent = fs.read(device + "/uevent");
        if (!uevent || !isUnitUevent(*uevent)) continue;
        UnitCheck unit;
        unit.path = "/dev/" + node;
        unit.usbPath = usbPathOf(fs.resolve(device));
        judgeUnit(unit, fs, table, user, findings.rule);
        findings.units.push_back(std::move(unit));
    }

    auto devs = fs.list("/dev");
    std::sort(devs.begin(), devs.end());
    for (const auto& name : devs)
        for (const char* prefix : kSerialPrefixes)
            if (name.rfind(prefix, 0) == 0)
                findings.serialPorts.push_back(judgePort("/dev/" + name, fs, user));
    return findings;
}

}  // namespace vt::doctor
