// Fuzz target: preset file decoding and applying never crash or write outside the image, and a
// rejected file never changes the image.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "presets/preset_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto preset = vt::presets::decodePreset(text);
    vt::DeviceImage image;
    const int written = vt::presets::applyPreset(preset, 0, image);
    if (preset.status != vt::presets::LoadStatus::Ok && (written != 0 || !(image == vt::DeviceImage{})))
        std::abort();
    return 0;
}
