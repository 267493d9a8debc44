// What a loaded preset sets in the unit, and the first slot where an image read back from the
// unit disagrees: a load is only done when the unit holds every value of the preset.
#pragma once

#include <optional>
#include <string>

#include "presets/preset_codec.h"

namespace vt::presets {

inline constexpr std::int32_t kNotSet = -1;  // no device value is negative

// An image with kNotSet in every slot.
DeviceImage noSlotsSet();

// The device image slots a verified preset sets (its last line for a slot wins), kNotSet
// elsewhere: exactly what applyPreset writes.
DeviceImage presetExpectation(const DecodedPreset& preset, int currentVariant);

// Sets every slot that `expected` names to kNotSet, so that a read that misses one shows it.
void forgetExpectedSlots(const DeviceImage& expected, DeviceImage& image);

// "module 1 slot 5: the unit holds 3, the preset sets 77" for the first slot (module, then slot
// order) where `image` differs from `expected`; nullopt when every expected value is there.
std::optional<std::string> firstPresetDifference(const DeviceImage& expected,
                                                 const DeviceImage& image);

}  // namespace vt::presets
