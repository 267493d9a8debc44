// Reading a file that holds a secret of this user's (the access token, the broker's password):
// only a regular file of the user's that nobody else may reach, and only its first bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vt::service {

enum class PrivateFileProblem {
    None,
    Missing,       // nothing at the path (not even a dangling link)
    Unreadable,    // the system's reason is in the message
    Link,          // a symbolic link, not followed
    NotRegular,    // a folder, a FIFO, a device such as /dev/zero
    OtherOwner,    // another user's
    OpenToOthers,  // the group or others may read or change it
};

struct PrivateFileRead {
    std::string text;  // up to the limit; empty unless `problem` is None
    bool cut = false;  // the file holds more than the limit
    PrivateFileProblem problem = PrivateFileProblem::None;
    std::string error;  // "password file /home/ann/pw may be read or changed by others ..."
};

// Reads at most `limit` bytes of the file at `path`, which `what` names in the messages ("token
// file"). The file is opened without following a link and without waiting for a writer (a FIFO
// in its place is refused, not waited on), and checked before anything is read.
PrivateFileRead readPrivateFile(const std::string& path, std::string_view what, std::size_t limit);

}  // namespace vt::service
