// File system, process table and login of the running system, for the doctor.
#include "app/doctor_system.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "presets/preset_file.h"

namespace vt::doctor {
namespace fsys = std::filesystem;

namespace {

constexpr std::size_t kLargestRead = 1 << 20;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::vector<std::string> SystemFileSystem::list(const std::string& dir) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (fsys::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

std::optional<std::string> SystemFileSystem::read(const std::string& path) const {
    // Regular files only (a FIFO named like a rule never blocks the doctor), sized as they read.
    presets::FileText file = presets::readBoundedFile(path, kLargestRead);
    if (file.problem != presets::ReadProblem::None) return std::nullopt;
    return std::move(file.text);
}

std::string SystemFileSystem::resolve(const std::string& path) const {
    std::error_code ec;
    const auto p = fsys::canonical(path, ec);
    return ec ? std::string() : p.string();
}

bool SystemFileSystem::mayOpen(const std::string& path) const {
    return ::access(path.c_str(), R_OK | W_OK) == 0;
}

std::string SystemFileSystem::groupOf(const std::string& path) const {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    const struct group* g = ::getgrgid(st.st_gid);
    return g ? std::string(g->gr_name) : std::string();
}

std::vector<Process> SystemProcessTable::processes() const {
    std::vector<Process> table;
    SystemFileSystem fs;
    for (const auto& entry : fs.list("/proc")) {
        if (entry.empty() || entry.find_first_not_of("0123456789") != std::string::npos) continue;
        Process p;
        p.pid = std::atoi(entry.c_str());
        const std::string base = "/proc/" + entry;
        p.name = trimmed(fs.read(base + "/comm").value_or(""));
        std::error_code ec;
        for (fsys::directory_iterator it(base + "/fd", ec), end; !ec && it != end;
             it.increment(ec)) {
            std::error_code linkError;
            const auto target = fsys::read_symlink(it->path(), linkError);
            if (!linkError) p.openFiles.push_back(target.string());
        }
        if (!p.openFiles.empty()) table.push_back(std::move(p));
    }
    return table;
}

User currentUser() {
    User user;
    user.pid = static_cast<int>(::getpid());
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> ids(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count > 0 && ::getgroups(count, ids.data()) != count) ids.clear();
    ids.push_back(::getegid());
    for (gid_t id : ids)
        if (const struct group* g = ::getgrgid(id)) user.groups.emplace_back(g->gr_name);
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && *id)
        user.sessionId = id;
    else
        user.sessionId = sessionOfCgroup(SystemFileSystem().read("/proc/self/cgroup").value_or(""));
    return user;
}

std::string checkoutRule() {
    return VORTELLA_SOURCE_DIR "/packaging/linux/70-vortella.rules";
}

}  // namespace vt::doctor
