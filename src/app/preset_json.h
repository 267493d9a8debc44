// The JSON that `vortella-cli preset make` turns into a preset: {"variant": 0|1, "slots":
// [[module, slot, value], ...]}. Qt-free, so that the fuzz target takes the same path.
#pragma once

#include <string>
#include <string_view>

#include "model/shadow_images.h"

namespace vt::cli {

struct PresetRequest {
    DeviceImage image;  // slots not given stay 0
    int variant = 0;
};

// Parses and checks the JSON text; never throws. Returns an empty string on success, else what
// is wrong, naming the offending entry ("slots[2] [1,5,70000]: ...").
std::string presetFromJson(std::string_view text, PresetRequest& out);

}  // namespace vt::cli
