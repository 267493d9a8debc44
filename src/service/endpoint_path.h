// Where the control service of this user listens: $XDG_RUNTIME_DIR/vortella/control, or without
// a runtime folder /tmp/vortella-USER/control. The folder is the user's alone (0700).
#pragma once

#include <string>

namespace vt::service {

struct EndpointFolder {
    std::string folder;
    std::string socket;   // folder + "/control"
    std::string problem;  // why the folder cannot be used; empty when it can
};

// Finds the folder; with `create`, makes it 0700 when missing. A folder that is a link or another
// user's is refused. One of ours open to others is closed to them; when they could write in it
// and it holds anything, or when it holds anything another user made, it is refused until the
// user empties it.
EndpointFolder endpointFolder(bool create);

}  // namespace vt::service
