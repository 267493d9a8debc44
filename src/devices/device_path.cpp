// Opening and closing the node at once, without making it the controlling terminal.
#include "devices/device_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vt::devices {

std::string deviceOpenProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // A serial port that another program opened for exclusive use: the device hub names the
    // owner when it finds the port locked.
    if (fd < 0 && errno == EBUSY) return {};
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return {};
}

}  // namespace vt::devices
