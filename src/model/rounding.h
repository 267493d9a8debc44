// Round-half-to-even, the one rounding rule of the whole program.
#pragma once

#include <cmath>

namespace vt {

// Nearest integer, halves to the even neighbour (independent of the FPU rounding mode).
inline double roundHalfEven(double x) {
    const double fl = std::floor(x);
    const double diff = x - fl;
    if (diff > 0.5) return fl + 1.0;
    if (diff < 0.5) return fl;
    return std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
}

inline long long roundHalfEvenToInt(double x) {
    return static_cast<long long>(roundHalfEven(x));
}

}  // namespace vt
