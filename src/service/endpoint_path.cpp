// The endpoint's folder and its checks.
#include "service/endpoint_path.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vt::service {
namespace {

std::string userName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    return std::to_string(getuid());
}

}  // namespace

EndpointFolder endpointFolder(bool create) {
    EndpointFolder out;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        out.folder = std::string(runtime) + "/vortella";
    else
        out.folder = "/tmp/vortella-" + userName();
    out.socket = out.folder + "/control";

    struct stat st {};
    if (lstat(out.folder.c_str(), &st) != 0) {
        if (errno != ENOENT || !create) {
            out.problem = out.folder + ": " + std::strerror(errno);
            return out;
        }
        if (mkdir(out.folder.c_str(), 0700) != 0 && errno != EEXIST) {
            out.problem = "cannot create " + out.folder + ": " + std::strerror(errno);
            return out;
        }
        if (lstat(out.folder.c_str(), &st) != 0) {
            out.problem = out.folder + ": " + std::strerror(errno);
            return out;
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        out.problem = out.folder + " is not a folder; refusing to use it";
        return out;
    }
    if (st.st_uid != getuid()) {
        out.problem = out.folder + " belongs to user " + std::to_string(st.st_uid) +
                      ", not to this user; refusing to use it";
        return out;
    }
    if ((st.st_mode & 077) != 0 && chmod(out.folder.c_str(), 0700) != 0) {
        out.problem =
            out.folder + " is open to other users and cannot be closed: " + std::strerror(errno);
        return out;
    }
    return out;
}

}  // namespace vt::service
