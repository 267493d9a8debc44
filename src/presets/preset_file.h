// Reading and writing preset files on disk: only regular files of a bounded size are read, and a
// save is durable and leaves an existing preset as it was when it fails.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "presets/preset_codec.h"

namespace vt::presets {

// No preset (nor the JSON that describes one) comes near this size.
inline constexpr std::size_t kMaxPresetFileBytes = 1024 * 1024;

// The message of a load of a folder (found, so not "File not find!").
inline constexpr std::string_view kFolderMessage = "a folder, not a preset file";

enum class ReadProblem {
    None,
    CannotOpen,  // missing or unreadable
    Folder,      // a folder: there, but no file
    NotAFile,    // a FIFO, a device or a socket: never read, it might never end
    TooLarge,    // more than the limit
};

struct FileText {
    ReadProblem problem = ReadProblem::None;
    std::string text;
};

// The whole of a regular file of at most `limit` bytes. Never blocks on a FIFO or a device.
FileText readBoundedFile(const std::string& path, std::size_t limit = kMaxPresetFileBytes);

// Everything `fd` gives up to its end (a pipe, standard input), refused past `limit` bytes;
// `sizeHint` is what the buffer starts with.
FileText readBoundedFd(int fd, std::size_t sizeHint, std::size_t limit = kMaxPresetFileBytes);

// Writes `text` to `path` durably: a new temporary file (exclusive creation) in the target's
// folder with the replaced file's permissions, synced, renamed over the target, then the folder
// synced. A symbolic link is saved through to the file it names, where the system would follow
// it (not another user's link in a sticky folder open to all, such as /tmp). Returns an empty
// string on success, else the reason; on failure the old file is untouched and no temporary file
// stays, except when only the last sync of the folder failed (the reason then says the file was
// written).
std::string writeFileAtomically(const std::string& path, const std::string& text);

struct LoadOutcome {
    bool opened = false;
    DecodedPreset preset;
    std::string message;  // empty when the load succeeded
};

// Reads, decodes and checks a preset file; the caller applies it (applyPreset) when it succeeded.
// A file that is not regular or larger than the limit is reported as a format error, a folder as
// no preset file.
LoadOutcome loadPresetFile(const std::string& path, int language);
// The same for a preset file's text that came another way (a client passed it).
LoadOutcome loadPresetText(std::string_view text, int language);

}  // namespace vt::presets
