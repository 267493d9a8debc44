// Reading and writing preset files on disk. Writing goes to a temporary file in the same folder
// that is renamed over the target, so a failed save never destroys an existing preset.
#pragma once

#include <optional>
#include <string>

#include "presets/preset_codec.h"

namespace vt::presets {

// The whole file, or nullopt when it cannot be opened or read.
std::optional<std::string> readPresetFile(const std::string& path);

// Writes `text` to `path` atomically. Returns an empty string on success, else the reason.
std::string writeFileAtomically(const std::string& path, const std::string& text);

struct LoadOutcome {
    bool opened = false;
    DecodedPreset preset;
    std::string message;  // empty when the load succeeded
};

// Reads, decodes and checks a preset file; the caller applies it (applyPreset) when it succeeded.
LoadOutcome loadPresetFile(const std::string& path, int language);

}  // namespace vt::presets
