// Saving a file so that it survives a crash or a full disk: an unnamed (or else exclusive)
// temporary file, fsync of the file and its folder, rename over the target, the replaced file's
// permissions kept.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "presets/preset_file.h"

namespace vt::presets {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;

std::string failure(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// A link the system itself would not follow: in a folder that is sticky and open to everyone
// (/tmp), a link of another user than the follower and the folder's owner. Following it anyway
// would let that user choose which of our files a save replaces.
std::string plantedLink(const fs::path& link) {
    struct stat own {};
    struct stat folder {};
    const fs::path parent = link.parent_path().empty() ? fs::path(".") : link.parent_path();
    if (::lstat(link.c_str(), &own) != 0 || ::stat(parent.c_str(), &folder) != 0) return {};
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    if (!shared || own.st_uid == ::geteuid() || own.st_uid == folder.st_uid) return {};
    return link.string() + " is a link of another user (uid " + std::to_string(own.st_uid) +
           ") in the shared folder " + parent.string() + "; it is not followed";
}

// The file a save through `path` must replace: symbolic links followed to their end, where the
// system would follow them. Returns the refusal, or an empty string.
std::string resolveLinks(fs::path& path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return {};
        if (std::string why = plantedLink(path); !why.empty()) return why;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) return std::strerror(ec.value());
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::strerror(ELOOP);
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Some file systems (network shares among them) cannot sync a folder and say so with EINVAL or
// ENOTSUP: there is nothing more to be done there, and the save goes on.
bool syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

// The start of `name` that leaves room for `room` more bytes within the folder's limit on a
// name, cut before a UTF-8 character's continuation bytes so that the name stays readable.
std::string nameHead(const std::string& name, const fs::path& folder, std::size_t room) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t most = limit > 0 ? static_cast<std::size_t>(limit) : 255;
    if (name.size() + room <= most) return name;
    std::size_t cut = most > room ? most - room : 0;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

fs::path folderOf(const fs::path& target) {
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

// "." + name + ".tmp-": the start of the temporary names of saves to `target`. A long name is
// shortened (room for ".tmp-" and a process number and six digits), never refused.
std::string temporaryPrefix(const fs::path& target) {
    return "." + nameHead(target.filename().string(), folderOf(target), 24) + ".tmp-";
}

// Removes the temporary files that saves to `target` by processes that no longer run left
// behind (a save killed between naming its file and renaming it).
void removeStaleTemporaries(const fs::path& target) {
    const fs::path folder = folderOf(target);
    const std::string prefix = temporaryPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = name.substr(prefix.size());
        const std::size_t dot = rest.find('.');
        if (dot == 0 || dot == std::string::npos ||
            rest.find_first_not_of("0123456789.") != std::string::npos)
            continue;
        const long pid = std::strtol(rest.substr(0, dot).c_str(), nullptr, 10);
        struct stat st {};
        const fs::path file = folder / name;
        if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(file.c_str());
    }
    ::closedir(dir);
}

// Names a temporary file beside `target`: a new name that did not exist before, made by `make`
// (which returns -1 with errno set when it could not). Returns what `make` returned.
template <typename Make>
int nameTemporary(const fs::path& target, fs::path& temp, Make make) {
    std::random_device seed;
    std::mt19937 rng(seed());
    const std::string head = temporaryPrefix(target) + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp = folderOf(target) / (head + std::to_string(rng() % 1000000u));
        const int result = make(temp);
        if (result >= 0 || errno != EEXIST) return result;
    }
    return -1;
}

// Creates a temporary file that did not exist before, beside `target`. Returns its descriptor.
int createTemporary(const fs::path& target, mode_t mode, fs::path& temp) {
    return nameTemporary(target, temp, [mode](const fs::path& name) {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    });
}

// Gives the unnamed file `fd` a temporary name beside `target`; false when the system cannot.
bool nameUnnamed(int fd, const fs::path& target, fs::path& temp) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return nameTemporary(target, temp, [&self](const fs::path& name) {
               return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
           }) == 0;
}

}  // namespace

std::string writeFileAtomically(const std::string& path, const std::string& text) {
    fs::path target(path);
    if (std::string why = resolveLinks(target); !why.empty())
        return "cannot write " + path + ": " + why;
    int error = 0;

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return failure(path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    const mode_t mode = replacing ? (old.st_mode & 07777) : 0666;

    removeStaleTemporaries(target);
    // The file is written unnamed where the file system allows it, so that a save killed
    // half-way leaves nothing behind; it gets a name only once it is complete.
    fs::path temp;
    bool unnamed = true;
    int fd = ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) {
        unnamed = false;
        fd = createTemporary(target, mode, temp);
    }
    if (fd < 0) return failure(path, errno);
    bool ok = true;
    if (replacing) {
        // The umask may have taken bits away; the owner stays when we are allowed to keep it.
        ok = ::fchmod(fd, mode) == 0;
        if (ok && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
            (void)!::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && writeAll(fd, text) && ::fsync(fd) == 0;
    error = errno;
    if (ok && unnamed && !nameUnnamed(fd, target, temp)) {
        // No /proc to name it through: written again the ordinary way.
        ::close(fd);
        fd = createTemporary(target, mode, temp);
        if (fd < 0) return failure(path, errno);
        ok = (!replacing || ::fchmod(fd, mode) == 0) && writeAll(fd, text) && ::fsync(fd) == 0;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    const fs::path folder = temp.parent_path();
    if (ok && !(syncFolder(folder) && ::rename(temp.c_str(), target.c_str()) == 0)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        if (!temp.empty()) ::unlink(temp.c_str());
        return failure(path, error);
    }
    // The rename is only durable once the folder is. The file is in place already, so this
    // failure says that, not that the old file is still there.
    if (!syncFolder(folder))
        return "wrote " + path + ", but it may not survive a crash: " + std::strerror(errno);
    return {};
}

}  // namespace vt::presets
