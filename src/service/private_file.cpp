// The checks and the bounded read of a file that holds a secret.
#include "service/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vt::service {
namespace {

std::string octalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

PrivateFileRead failure(PrivateFileProblem problem, std::string error) {
    PrivateFileRead result;
    result.problem = problem;
    result.error = std::move(error);
    return result;
}

PrivateFileRead readChecked(int fd, const std::string& path, const std::string& named,
                            std::size_t limit) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failure(PrivateFileProblem::Unreadable,
                       "cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return failure(PrivateFileProblem::NotRegular, named + " is not a regular file");
    if (st.st_uid != ::geteuid())
        return failure(PrivateFileProblem::OtherOwner,
                       named + " belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return failure(PrivateFileProblem::OpenToOthers,
                       named + " may be read or changed by others (mode " + octalMode(st.st_mode) +
                           "); make it private with 'chmod 600 " + path + "'");

    // One byte more than the limit tells whether the file goes on.
    std::string text(limit + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            return failure(PrivateFileProblem::Unreadable,
                           "cannot read " + path + ": " + std::strerror(errno));
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    PrivateFileRead result;
    result.cut = size > limit;
    text.resize(result.cut ? limit : size);
    result.text = std::move(text);
    return result;
}

}  // namespace

PrivateFileRead readPrivateFile(const std::string& path, std::string_view what, std::size_t limit) {
    const std::string named = std::string(what) + " " + path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) return failure(PrivateFileProblem::Link, named + " is a symbolic link");
        return failure(
            error == ENOENT ? PrivateFileProblem::Missing : PrivateFileProblem::Unreadable,
            "cannot read " + path + ": " + std::strerror(error));
    }
    PrivateFileRead result = readChecked(fd, path, named, limit);
    ::close(fd);
    return result;
}

}  // namespace vt::service
