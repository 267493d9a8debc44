// The settings of one band or filter as the response math takes them, and the type codes.
#pragma once

#include <cstdint>

namespace vt {

// Type codes: 0..4 are the band types, +10 while bypassed; 100 + k and 200 + k are the channel's
// high-pass and low-pass filters, k being the position in the filter type list.
inline constexpr int kTypePeak = 0;
inline constexpr int kTypeLowShelf = 1;
inline constexpr int kTypeHighShelf = 2;
inline constexpr int kTypeVariQHighPass = 3;
inline constexpr int kTypeVariQLowPass = 4;
inline constexpr int kTypeHighPassBase = 100;
inline constexpr int kTypeLowPassBase = 200;

// A code that draws flat and counts as a band: what a code outside 0..255 is taken as.
inline constexpr std::uint8_t kFlatTypeCode = 99;

struct BandSettings {
    std::uint8_t type = kFlatTypeCode;
    std::int32_t frequency = 1000;  // Hz
    float q = 1.0f;                 // shelf slope for shelving types
    float gain = 0.0f;              // dB; ignored by filters
};

// The 8-bit type code of a code held as an integer; codes that do not fit draw flat.
constexpr std::uint8_t typeCodeOf(int code) {
    return code >= 0 && code <= 255 ? static_cast<std::uint8_t>(code) : kFlatTypeCode;
}

}  // namespace vt
