// The digital frequencies at which a prototype is evaluated: evenly spaced for peaking sections,
// with the middle of the range stretched over the whole of it for shelves and filters.
#pragma once

#include <array>

#include "eq/point_grid.h"

namespace vt {

enum class Stretch { None, Shelf, Filter };

// Index where the stretch starts: 108 for shelves, 126 for filters.
int stretchStart(Stretch stretch);

// Evaluation frequency (radians, 0..pi) of prototype index i = 0..kPoints.
double evaluationFrequency(Stretch stretch, int i);

// (2 sin(omega / 2))^2 at every prototype index, single precision; built once per family.
const std::array<float, kPointCount>& evaluationTerms(Stretch stretch);

}  // namespace vt
