// A section's prototype: its magnitude in dB at every evaluation frequency, and the placement of
// a prototype on the point grid so that its centre lands on the band's point.
#pragma once

#include "eq/evaluation_frequencies.h"
#include "eq/point_grid.h"
#include "eq/section_design.h"

namespace vt {

// 20 log10 |H| of `section` at every prototype index 0..kPoints. With `lowPassGuard` a zero
// numerator or denominator repeats the previous value instead of taking the log of zero. A value
// that comes out non-finite (only from degenerate coefficients) also repeats the previous one.
void evaluatePrototype(const Biquad& section, Stretch stretch, bool lowPassGuard,
                       Response& prototype);

// out[j] = prototype[clamp(centre + j - K, 0, kPoints - 1)], K the point of `frequency` (at least
// 10 Hz). Prototype index kPoints is never used.
void placeOnGrid(const Response& prototype, int frequency, Response& out);

}  // namespace vt
