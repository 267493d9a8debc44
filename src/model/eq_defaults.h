// The values "EQ Reset" gives every field of a channel's equaliser bands.
#pragma once

namespace vt {

inline constexpr int kDefaultPeakQIndex = 25;   // "1.00"
inline constexpr int kDefaultOtherQIndex = 19;  // "0.71"

// Default of band field `field` (0..4) of band `band` (from 0) in `module`: a flat peaking band
// whose frequency index is round(360 / N x band) + 5, N being the module's band count.
int eqDefaultValue(int module, int band, int field);

}  // namespace vt
