// The discrete stage of an automatic fit: bands on the unit's table steps improved one band at a
// time by moving its frequency index, gain step and Q index, alone and in pairs, until no move
// lowers the error.
#pragma once

#include <vector>

#include "autoeq/band_model.h"

namespace vt::autoeq {

// Improves `bands` in place (types kept, Q within the type's limit); returns the squared error.
double polishSteps(const FitCurve& wanted, std::vector<eqfile::FittedBand>& bands);

}  // namespace vt::autoeq
