// Coefficients of the filter sections behind every band type: peaking, shelving, high-pass and
// low-pass biquads and the first-order section, designed at the normalised centre frequency.
#pragma once

#include <cstdint>

namespace vt {

// pi/2 rounded to single precision: every prototype is designed here.
inline constexpr float kOmega0 = 1.5707964f;

enum class SectionKind : std::uint8_t { Peak, LowShelf, HighShelf, HighPass, LowPass };

// Filter section designs: 0 pass-through, 1 Q = 1/sqrt(3), 2 Q = 1/sqrt(2), 4 variable Q,
// 6 first order, 7 section `index` of an order-`order` Butterworth filter.
struct FilterSection {
    int design = 0;
    int order = 0;
    int index = 0;
};

// Numerator b and denominator a, single precision.
struct Biquad {
    float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f;
    float a0 = 1.0f, a1 = 0.0f, a2 = 0.0f;
};

Biquad designPeak(float q, float gain, double omega = kOmega0);
Biquad designShelf(float slope, float gain, bool high, double omega = kOmega0);
Biquad designFilter(FilterSection section, float q, bool lowPass, double omega = kOmega0);

// One section of any kind; `q` is the shelf slope for shelves, `gain` is ignored by filters.
Biquad designSection(SectionKind kind, FilterSection section, float q, float gain,
                     double omega = kOmega0);

}  // namespace vt
