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

// Finds the folder; with `create`, makes it 0700 when missing. A folder that is a link, another
// user's, or open to others is refused (one of ours open to others is closed to them first).
EndpointFolder endpointFolder(bool create);

}  // namespace vt::service
