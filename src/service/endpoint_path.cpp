// The endpoint's folder and its checks.
#include "service/endpoint_path.h"

#include <dirent.h>
#include <fcntl.h>
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

struct FolderContent {
    bool empty = true;
    std::string foreign;  // the first entry that another user made, described
};

// What `folder` holds: anything at all, and anything another user made (a link, a socket or a
// file planted while the folder was open to them). An unreadable folder holds something.
FolderContent contentOf(const std::string& folder) {
    FolderContent content;
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        content.empty = false;
        return content;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        content.empty = false;
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            st.st_uid != getuid()) {
            content.foreign = folder + "/" + name + " belongs to user " +
                              std::to_string(st.st_uid) + ", not to this user";
            break;
        }
    }
    closedir(dir);
    return content;
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
    // Others who could write in the folder may have left a lock, a socket or a link in it for
    // this user to trust; nothing in it is used until the user has looked and emptied it. What
    // they left stays theirs, so a folder closed before is still refused while it holds that.
    const FolderContent content = contentOf(out.folder);
    if (!content.foreign.empty()) {
        out.problem = content.foreign + "; remove it, then start again";
        return out;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !content.empty) {
        out.problem = out.folder +
                      " was open to other users, who may have left files in it; it is closed "
                      "now: remove everything in it, then start again";
        return out;
    }
    return out;
}

}  // namespace vt::service
