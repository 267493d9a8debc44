// Fuzz target: the JSON input of `preset make`, through the function the program uses. It never
// throws, and what it accepts is a preset that a file can hold: saved slots, device values.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/preset_json.h"
#include "presets/preset_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vt::cli::PresetRequest request;
    const std::string problem = vt::cli::presetFromJson(text, request);
    if (!problem.empty()) return 0;
    if (request.variant != 0 && request.variant != 1) std::abort();
    for (int m = 0; m < vt::kModuleCount; ++m) {
        for (int s = 0; s < vt::kDeviceSlots; ++s) {
            const std::int32_t v = request.image.at(m, s);
            if (v == 0) continue;
            if (!vt::presets::presetSavesSlot(m, s) || !vt::presets::presetValueFits(v))
                std::abort();
        }
    }
    // What was accepted makes a file that loads back to the same values.
    const auto lines = vt::presets::savePresetLines(request.image, request.variant);
    const auto back = vt::presets::decodePreset(vt::presets::presetFileText(lines));
    vt::DeviceImage loaded;
    vt::presets::applyPreset(back, request.variant, loaded);
    if (back.status != vt::presets::LoadStatus::Ok || !(loaded == request.image)) std::abort();
    return 0;
}
