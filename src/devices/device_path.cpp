// Opening the node at once and asking it what it is, without making it the controlling terminal.
#include "devices/device_path.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vt::devices {
namespace {

bool answersAsHidraw(int fd) {
    hidraw_devinfo info{};
    int size = 0;
    return ::ioctl(fd, HIDIOCGRAWINFO, &info) == 0 && ::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 &&
           size >= 0 && size <= HID_MAX_DESCRIPTOR_SIZE;
}

}  // namespace

std::string deviceOpenProblem(const std::string& path, bool serial) {
    const std::string kind = serial ? "a serial port" : "a hidraw device";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "cannot open " + path + ": " + std::strerror(errno);
    if (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        return path + " is not " + kind;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // A serial port that another program opened for exclusive use: the device hub names the
    // owner when it finds the port locked.
    if (fd < 0 && errno == EBUSY) return {};
    if (fd < 0) return "cannot open " + path + ": " + std::strerror(errno);
    const bool fits = serial ? ::isatty(fd) == 1 : answersAsHidraw(fd);
    ::close(fd);
    return fits ? std::string() : path + " is not " + kind;
}

}  // namespace vt::devices
