// Rules for the file names that reach the program from outside: a path with a control character
// in it is refused everywhere, and a client on the network names files only inside the user's
// preset folder, by a plain name.
#pragma once

#include <string>
#include <string_view>

namespace vt::presets {

// Why `path` cannot be used as a file name ("holds a control character (0x00 at byte 13)");
// empty when it can. A NUL would cut the name short where the system reads it.
std::string controlCharacterProblem(std::string_view path);

// The folder of the user's preset files: $XDG_DATA_HOME/vortella/presets, or
// ~/.local/share/vortella/presets.
std::string presetFolder();

struct FolderFile {
    std::string path;     // the file's full path inside the folder
    std::string problem;  // why the name is refused; empty when it is not
};

// The file `name` names inside `folder` (made 0700 with its parents when missing). Only a plain
// name is taken: no "/", not "." or "..", no control character, not empty. An existing entry
// that is a symbolic link is refused unless it leads to a file inside the folder.
FolderFile fileInFolder(const std::string& folder, std::string_view name);

}  // namespace vt::presets
