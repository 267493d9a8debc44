// The connection doctor's checks on a fake file system and process table: which units it finds,
// why each may or may not be opened and the fix it names; the serial ports; the JSON it writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/doctor.h"
#include "app/doctor_report.h"
#include "app/doctor_system.h"

namespace vt::doctor {
namespace {

constexpr const char* kUnitUevent =
    "DRIVER=hid-generic\nHID_ID=0003:00000483:0000690E\nHID_NAME=KV DSP\n";
constexpr const char* kOtherUevent = "HID_ID=0003:00000483:00005750\n";
constexpr const char* kRule =
    "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
    "TAG+=\"uaccess\"\n";
// The rule's fix with neither the package nor a checkout at hand: the rule's line written out.
constexpr const char* kWriteRuleFix =
    "echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
    "TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/70-vortella.rules && sudo udevadm control "
    "--reload-rules && sudo udevadm trigger";

class FakeFileSystem : public FileSystem {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> links;  // path -> resolved path
    std::set<std::string> openable;
    std::map<std::string, std::string> groups;

    std::vector<std::string> list(const std::string& dir) const override {
        std::set<std::string> names;
        const std::string prefix = dir + "/";
        auto add = [&](const std::string& path) {
            if (path.rfind(prefix, 0) != 0) return;
            const std::string rest = path.substr(prefix.size());
            names.insert(rest.substr(0, rest.find('/')));
        };
        for (const auto& [path, text] : files) add(path);
        for (const auto& path : openable) add(path);
        return {names.begin(), names.end()};
    }
    std::optional<std::string> read(const std::string& path) const override {
        const auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    std::string resolve(const std::string& path) const override {
        const auto it = links.find(path);
        return it == links.end() ? path : it->second;
    }
    bool mayOpen(const std::string& path) const override { return openable.count(path) > 0; }
    std::string groupOf(const std::string& path) const override {
        const auto it = groups.find(path);
        return it == groups.end() ? std::string() : it->second;
    }
};

class FakeProcessTable : public ProcessTable {
  public:
    std::vector<Process> table;
    std::vector<Process> processes() const override { return table; }
};

// One unit at /dev/hidraw2 on USB port 1-4.2, and another HID device of the same vendor.
FakeFileSystem systemWithUnit() {
    FakeFileSystem fs;
    fs.files["/sys/class/hidraw/hidraw2/device/uevent"] = kUnitUevent;
    fs.links["/sys/class/hidraw/hidraw2/device"] =
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4.2/1-4.2:1.0/0003:0483:690E.0007";
    fs.files["/sys/class/hidraw/hidraw0/device/uevent"] = kOtherUevent;
    fs.files["/dev/hidraw0"] = "";
    fs.files["/dev/hidraw2"] = "";
    return fs;
}

struct AccessCase {
    const char* name;
    bool mayOpen;
    bool ruleInstalled;
    std::string sessionId;
    Access access;
    std::string fix;
};

TEST(Doctor, SaysWhyTheUnitCannotBeOpenedAndTheFix) {
    const std::vector<AccessCase> cases = {
        {"open, nothing wrong", true, true, "3", Access::Ok, ""},
        {"no rule", false, false, "3", Access::Denied, kWriteRuleFix},
        {"rule, no seat session", false, true, "", Access::Denied, kGroupAccessFix},
        {"rule, session without seat", false, true, "9", Access::Denied, kGroupAccessFix},
        {"rule and seat, not applied yet", false, true, "3", Access::Denied, kApplyRuleFix},
        {"rule, seat session not in front", false, true, "4", Access::Denied, kGroupAccessFix},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs = systemWithUnit();
        if (c.mayOpen) fs.openable.insert("/dev/hidraw2");
        if (c.ruleInstalled) fs.files["/usr/lib/udev/rules.d/70-vortella.rules"] = kRule;
        fs.files["/run/systemd/sessions/3"] = "UID=1000\nACTIVE=1\nSEAT=seat0\n";
        fs.files["/run/systemd/sessions/9"] = "UID=1000\nREMOTE=1\nSERVICE=sshd\n";
        fs.files["/run/systemd/sessions/4"] = "UID=1000\nACTIVE=0\nSTATE=online\nSEAT=seat0\n";
        const Findings f = examine(fs, FakeProcessTable(), User{100, {"users"}, c.sessionId}, "");

        ASSERT_EQ(f.units.size(), 1u) << c.name;
        const UnitCheck& u = f.units[0];
        EXPECT_EQ(u.path, "/dev/hidraw2") << c.name;
        EXPECT_EQ(u.usbPath, "1-4.2") << c.name;
        EXPECT_EQ(u.transport, Transport::Usb);
        EXPECT_EQ(u.access, c.access) << c.name;
        EXPECT_EQ(u.fix, c.fix) << c.name;
        EXPECT_EQ(u.reason.empty(), c.fix.empty()) << c.name;
        EXPECT_FALSE(u.answered) << "nothing is asked before the probe";
        EXPECT_EQ(f.rule.installed, c.ruleInstalled) << c.name;
        EXPECT_EQ(f.rule.path, c.ruleInstalled ? "/usr/lib/udev/rules.d/70-vortella.rules" : "")
            << c.name;
    }
}

TEST(Doctor, NamesTheProcessHoldingTheUnitButNotItself) {
    FakeFileSystem fs = systemWithUnit();
    fs.openable.insert("/dev/hidraw2");
    FakeProcessTable processes;
    processes.table = {{100, "vortella-cli", {"/dev/hidraw2"}},
                       {55, "bash", {"/dev/pts/0"}},
                       {77, "other-tool", {"/dev/null", "/dev/hidraw2"}}};
    Findings f = examine(fs, processes, User{100, {}, ""}, "");
    ASSERT_EQ(f.units.size(), 1u);
    EXPECT_EQ(f.units[0].access, Access::Busy);
    // Told as information, never as something to end: the unit can still be used.
    EXPECT_EQ(f.units[0].note,
              "other-tool (pid 77) has it open as well; while the window or 'vortella-cli serve' "
              "has it, the unit is theirs and the device commands go through them");
    EXPECT_EQ(f.units[0].fix, "");
    EXPECT_EQ(f.units[0].reason, "");
    f.units[0].answered = true;
    const std::string text = reportText(f);
    EXPECT_NE(text.find("Unit /dev/hidraw2 (USB 1-4.2): this user may open it.\n  It answered the "
                        "start report.\n  Note: other-tool (pid 77) has it open as well"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("kill"), std::string::npos) << text;

    processes.table.pop_back();
    f = examine(fs, processes, User{100, {}, ""}, "");
    EXPECT_EQ(f.units[0].access, Access::Ok) << "its own descriptor does not count";
}

TEST(Doctor, InstallsTheRuleFromWhereItIs) {
    const std::string checkout = "/home/ann/src/vortella/packaging/linux/70-vortella.rules";
    const std::string odd = "/home/ann/My Rules/ann's tree/packaging/linux/70-vortella.rules";
    const std::string reload =
        " /etc/udev/rules.d/ && sudo udevadm control --reload-rules && "
        "sudo udevadm trigger";
    struct Case {
        const char* name;
        bool package;
        std::string checkoutHolds;  // where the fake tree's rule is
        std::string checkoutNamed;  // what the program was built from
        std::string fix;
    };
    const std::vector<Case> cases = {
        {"the package", true, checkout, checkout, "sudo apt install --reinstall vortella"},
        {"a checkout", false, checkout, checkout, "sudo cp " + checkout + reload},
        {"a checkout at an odd path", false, odd, odd,
         "sudo cp '/home/ann/My Rules/ann'\\''s tree/packaging/linux/70-vortella.rules'" + reload},
        {"a checkout that is gone", false, "", checkout, kWriteRuleFix},
        {"a relative path", false, "packaging/linux/70-vortella.rules",
         "packaging/linux/70-vortella.rules", kWriteRuleFix},
        {"nothing", false, "", "", kWriteRuleFix},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs = systemWithUnit();
        if (c.package) fs.files["/var/lib/dpkg/info/vortella.list"] = "/usr/bin/vortella\n";
        if (!c.checkoutHolds.empty()) fs.files[c.checkoutHolds] = kRule;
        const Findings f = examine(fs, FakeProcessTable(), User{}, c.checkoutNamed);
        EXPECT_FALSE(f.rule.installed) << c.name;
        EXPECT_EQ(f.rule.fix, c.fix) << c.name;
        ASSERT_EQ(f.units.size(), 1u);
        EXPECT_EQ(f.units[0].fix, c.fix) << c.name;
    }

    // The line written out is the rule of this tree.
    SystemFileSystem system;
    const auto packaged = system.read(checkoutRule());
    ASSERT_TRUE(packaged) << checkoutRule();
    const std::string line = packaged->substr(packaged->find("\nKERNEL") + 1);
    EXPECT_NE(std::string(kWriteRuleFix).find(shellWord(line.substr(0, line.find('\n')))),
              std::string::npos)
        << line;
}

TEST(Doctor, FindsTheRuleInAnyRulesFolderByTheUnitsIds) {
    FakeFileSystem fs;
    fs.files["/etc/udev/rules.d/50-other.rules"] = "ATTRS{idVendor}==\"0483\", MODE=\"0666\"\n";
    fs.files["/etc/udev/rules.d/99-mine.rules.bak"] = kRule;
    EXPECT_FALSE(examine(fs, FakeProcessTable(), User{}, "").rule.installed);
    fs.files["/etc/udev/rules.d/71-kv.rules"] = kRule;
    const Findings f = examine(fs, FakeProcessTable(), User{}, "");
    EXPECT_TRUE(f.rule.installed);
    EXPECT_EQ(f.rule.path, "/etc/udev/rules.d/71-kv.rules");
    EXPECT_TRUE(f.units.empty());
}

TEST(Doctor, SerialAdaptersAndTheGroupThatOpensThem) {
    FakeFileSystem fs;
    fs.files["/dev/ttyUSB0"] = "";
    fs.files["/dev/ttyUSB1"] = "";
    fs.files["/dev/ttyS0"] = "";  // a built-in port, not an adapter
    fs.openable.insert("/dev/ttyACM1");
    fs.groups["/dev/ttyUSB0"] = "dialout";
    fs.groups["/dev/ttyUSB1"] = "uucp";
    const Findings f = examine(fs, FakeProcessTable(), User{1, {"users", "uucp"}, ""}, "");
    ASSERT_EQ(f.serialPorts.size(), 3u);
    EXPECT_EQ(f.serialPorts[0].name, "/dev/ttyACM1");
    EXPECT_TRUE(f.serialPorts[0].ok);
    EXPECT_TRUE(f.serialPorts[0].fix.empty());
    EXPECT_EQ(f.serialPorts[1].name, "/dev/ttyUSB0");
    EXPECT_FALSE(f.serialPorts[1].ok);
    EXPECT_EQ(f.serialPorts[1].reason, "this user is not in group dialout");
    EXPECT_EQ(f.serialPorts[1].fix, "sudo usermod -aG dialout \"$USER\"");
    EXPECT_EQ(f.serialPorts[1].note,
              "then log out and in again, so that the login is in group dialout");
    // Already in the port's group: joining it again is no fix.
    EXPECT_EQ(f.serialPorts[2].reason,
              "this user may not open it although the login is in group uucp");
    EXPECT_EQ(f.serialPorts[2].fix, "");
    EXPECT_NE(f.serialPorts[2].note.find("ls -l /dev/ttyUSB1"), std::string::npos);
}

// Whether bash reads `line` without a syntax error (-n: nothing is run).
bool bashAccepts(const std::string& line) {
    char path[] = "/tmp/doctor-fix-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return false;
    const std::string text = line + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    const int status = std::system(("bash -n " + std::string(path) + " 2>/dev/null").c_str());
    ::unlink(path);
    return written && status == 0;
}

// Every fix the doctor prints, in its text and in its JSON, is one line that a shell takes as
// it stands, in each situation that has a fix.
TEST(DoctorReport, EveryFixIsOneShellLine) {
    struct Situation {
        const char* name;
        std::function<void(FakeFileSystem&, FakeProcessTable&, User&)> arrange;
        std::string checkoutRule;
        std::string fixStart;  // a fix printed in this situation begins so
    };
    const std::string oddCheckout = "/home/ann/My Rules/ann's tree/70-vortella.rules";
    const std::vector<Situation> situations = {
        {"no rule, nothing to install it from", [](auto&, auto&, auto&) {}, "", "echo 'KERNEL"},
        {"no rule, the package installed",
         [](auto& fs, auto&, auto&) { fs.files["/var/lib/dpkg/info/vortella.list"] = ""; }, "",
         "sudo apt install --reinstall vortella"},
        {"no rule, a checkout at an odd path",
         [&](auto& fs, auto&, auto&) { fs.files[oddCheckout] = kRule; }, oddCheckout,
         "sudo cp '/home/ann/My Rules/ann'"},
        {"rule, no seat session",
         [](auto& fs, auto&, auto&) { fs.files["/etc/udev/rules.d/70-vortella.rules"] = kRule; },
         "",
         "echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
         "GROUP"},
        {"rule, seat session, not applied",
         [](auto& fs, auto&, auto& user) {
             fs.files["/etc/udev/rules.d/70-vortella.rules"] = kRule;
             fs.files["/run/systemd/sessions/3"] = "ACTIVE=1\nSEAT=seat0\n";
             user.sessionId = "3";
         },
         "", "sudo udevadm control"},
        {"rule, seat session in the background",
         [](auto& fs, auto&, auto& user) {
             fs.files["/etc/udev/rules.d/70-vortella.rules"] = kRule;
             fs.files["/run/systemd/sessions/c2"] = "ACTIVE=0\nSEAT=seat0\n";
             user.sessionId = "c2";
         },
         "",
         "echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"690e\", "
         "GROUP"},
        {"serial port, not in its group",
         [](auto& fs, auto&, auto&) { fs.groups["/dev/ttyUSB0"] = "dialout"; }, "",
         "sudo usermod -aG dialout \"$USER\""},
    };
    for (const auto& s : situations) {
        FakeFileSystem fs = systemWithUnit();
        fs.files["/dev/ttyUSB0"] = "";
        FakeProcessTable processes;
        User user{100, {"users"}, ""};
        s.arrange(fs, processes, user);
        const Findings f = examine(fs, processes, user, s.checkoutRule);

        std::set<std::string> printed;
        std::istringstream text(reportText(f));
        for (std::string line; std::getline(text, line);)
            if (line.rfind("  Fix: ", 0) == 0) printed.insert(line.substr(7));
        std::set<std::string> inJson;
        const auto j = nlohmann::json::parse(reportJson(f));
        for (const auto* list : {&j["units"], &j["serial_ports"]})
            for (const auto& entry : *list)
                if (!entry["fix"].is_null()) inJson.insert(entry["fix"].get<std::string>());
        if (j["udev_rule"].contains("fix")) inJson.insert(j["udev_rule"]["fix"].get<std::string>());
        EXPECT_EQ(printed, inJson) << s.name;

        bool expectedFound = false;
        for (const auto& fix : inJson) {
            EXPECT_EQ(fix.find_first_of("\r\n"), std::string::npos) << s.name << ": " << fix;
            EXPECT_TRUE(bashAccepts(fix)) << s.name << ": " << fix;
            expectedFound |= fix.rfind(s.fixStart, 0) == 0;
        }
        EXPECT_TRUE(expectedFound) << s.name << ": no fix begins with " << s.fixStart;
    }
}

TEST(Doctor, SessionOfTheProcessFromItsControlGroup) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0::/user.slice/user-1000.slice/session-3.scope\n", "3"},
        {"12:pids:/user.slice/user-1000.slice/session-c2.scope\n"
         "1:name=systemd:/user.slice/user-1000.slice/session-c2.scope\n0::/\n",
         "c2"},
        {"0::/user.slice/user-1000.slice/session-7.scope/editor\n", "7"},
        // A terminal started by the user's service manager, a service, an empty name, nothing.
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-term.scope\n", ""},
        {"0::/system.slice/ssh.service\n", ""},
        {"0::/user.slice/user-1000.slice/session-.scope\n", ""},
        {"3:cpu:/user.slice/user-1000.slice/session-5.scope\n", ""},
        {"", ""},
    };
    for (const auto& [cgroup, session] : cases)
        EXPECT_EQ(sessionOfCgroup(cgroup), session) << cgroup;
}

TEST(Doctor, UsbPathOfSysfsPaths) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0483:690E.0001", "1-2"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4.1/3-1.4.1:1.0/x", "3-1.4.1"},
        {"/sys/devices/virtual/misc/uhid/0003:0483:690E.0002", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(usbPathOf(path), expected) << path;
}

TEST(DoctorReport, JsonShapeAndAnswer) {
    Findings f;
    f.units.push_back({"/dev/hidraw2", "1-2", Transport::Usb, Access::Denied, false, "no rule",
                       kWriteRuleFix, ""});
    f.rule.fix = kWriteRuleFix;
    f.units.push_back({"simulated:unit", "", Transport::Simulated, Access::Ok, true, "", "", ""});
    f.serialPorts.push_back(
        {"/dev/ttyUSB0", false, "not in dialout", "sudo usermod ...", "log in again"});
    const auto j = nlohmann::json::parse(reportJson(f));
    ASSERT_EQ(j["units"].size(), 2u);
    EXPECT_EQ(j["units"][0]["path"], "/dev/hidraw2");
    EXPECT_EQ(j["units"][0]["transport"], "usb");
    EXPECT_EQ(j["units"][0]["access"], "denied");
    EXPECT_EQ(j["units"][0]["answered"], false);
    EXPECT_EQ(j["units"][0]["fix"], kWriteRuleFix);
    EXPECT_TRUE(j["units"][0]["note"].is_null());
    EXPECT_EQ(j["units"][1]["transport"], "simulated");
    EXPECT_EQ(j["units"][1]["answered"], true);
    EXPECT_TRUE(j["units"][1]["fix"].is_null());
    EXPECT_EQ(j["udev_rule"]["installed"], false);
    EXPECT_TRUE(j["udev_rule"]["path"].is_null());
    EXPECT_EQ(j["udev_rule"]["fix"], kWriteRuleFix);
    EXPECT_EQ(j["serial_ports"][0]["name"], "/dev/ttyUSB0");
    EXPECT_EQ(j["serial_ports"][0]["access"], "denied");
    EXPECT_EQ(j["serial_ports"][0]["fix"], "sudo usermod ...");
    EXPECT_EQ(j["serial_ports"][0]["note"], "log in again");
    EXPECT_TRUE(anyAnswered(f));

    const std::string text = reportText(f);
    EXPECT_NE(text.find(std::string("Fix: ") + kWriteRuleFix), std::string::npos) << text;
    EXPECT_NE(text.find("  Fix: sudo usermod ...\n  Note: log in again\n"), std::string::npos)
        << text;
    f.units.pop_back();
    EXPECT_FALSE(anyAnswered(f));
}

}  // namespace
}  // namespace vt::doctor
