// Saving a file so that it survives a crash or a full disk: exclusive temporary file, fsync of
// the file and its folder, rename over the target, the replaced file's permissions kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The file a save through `path` must replace: symbolic links followed to their end.
bool resolveLinks(fs::path& path, int& error) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return true;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            error = ec.value();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = ELOOP;
    return false;
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

// Creates a temporary file that did not exist before, beside `target`. Returns its descriptor.
int createTemporary(const fs::path& target, mode_t mode, fs::path& temp) {
    std::random_device seed;
    std::mt19937 rng(seed());
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    // "." + name + ".tmp-" + up to six digits: a long name is shortened, never refused.
    const std::string head = nameHead(target.filename().string(), folder, 12);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp = folder / ("." + head + ".tmp-" + std::to_string(rng() % 1000000u));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string writeFileAtomically(const std::string& path, const std::string& text) {
    fs::path target(path);
    int error = 0;
    if (!resolveLinks(target, error)) return failure(path, error);

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return failure(path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    const mode_t mode = replacing ? (old.st_mode & 07777) : 0666;

    fs::path temp;
    const int fd = createTemporary(target, mode, temp);
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
        ::unlink(temp.c_str());
        return failure(path, error);
    }
    // The rename is only durable once the folder is. The file is in place already, so this
    // failure says that, not that the old file is still there.
    if (!syncFolder(folder))
        return "wrote " + path + ", but it may not survive a crash: " + std::strerror(errno);
    return {};
}

}  // namespace vt::presets
