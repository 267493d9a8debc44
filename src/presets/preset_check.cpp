// Comparing what a preset set with what the unit holds after the load.
#include "presets/preset_check.h"

#include "model/number_text.h"

namespace vt::presets {
namespace {

template <typename Visit>
void forEachExpected(const DeviceImage& expected, Visit visit) {
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s)
            if (expected.at(m, s) != kNotSet && visit(m, s)) return;
}

}  // namespace

DeviceImage noSlotsSet() {
    DeviceImage image;
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s) image.set(m, s, kNotSet);
    return image;
}

DeviceImage presetExpectation(const DecodedPreset& preset, int currentVariant) {
    DeviceImage expected = noSlotsSet();
    applyPreset(preset, currentVariant, expected);
    return expected;
}

void forgetExpectedSlots(const DeviceImage& expected, DeviceImage& image) {
    forEachExpected(expected, [&](int m, int s) {
        image.set(m, s, kNotSet);
        return false;
    });
}

std::optional<std::string> firstPresetDifference(const DeviceImage& expected,
                                                 const DeviceImage& image) {
    std::optional<std::string> found;
    forEachExpected(expected, [&](int m, int s) {
        if (image.at(m, s) == expected.at(m, s)) return false;
        const std::int32_t held = image.at(m, s);
        found =
            "module " + formatInt(m) + " slot " + formatInt(s) + ": " +
            (held == kNotSet ? std::string("not read back") : "the unit holds " + formatInt(held)) +
            ", the preset sets " + formatInt(expected.at(m, s));
        return true;
    });
    return found;
}

}  // namespace vt::presets
