// Counting the program's open descriptors against its limit.
#include "service/descriptor_room.h"

#include <dirent.h>
#include <sys/resource.h>

#include <limits>

namespace vt::service {

long descriptorsLeft() {
    constexpr long kUnknown = std::numeric_limits<long>::max();
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return kUnknown;
    long open = -2;  // "." and ".."
    while (::readdir(dir)) ++open;
    ::closedir(dir);
    --open;  // the folder's own descriptor, gone again
    return static_cast<long>(limit.rlim_cur) - open;
}

}  // namespace vt::service
