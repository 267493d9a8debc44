// The continuous stage of an automatic fit: bands placed one at a time on the largest remaining
// error (the greedy start), and a damped Gauss-Newton run of all bands together within limits.
#pragma once

#include <vector>

#include "autoeq/band_model.h"

namespace vt::autoeq {

// Response in dB of all `bands`.
FitCurve modelOf(const std::vector<Band>& bands);

// Which bands of a greedy start are shelves.
struct ShelfChoice {
    bool low = false;   // the first band is a low shelf
    bool high = false;  // the last band is a high shelf
};

// `count` bands: the shelves asked for, set to the mean error below 120 Hz and above 6 kHz, then
// peaks, each at the largest remaining error with the Q of its width at half height (times
// `qScale`).
std::vector<Band> greedyStart(const FitCurve& wanted, int count, ShelfChoice shelves,
                              double qScale = 1.0);

// Moves `bands` (types kept) to a local minimum of the squared error within their limits;
// returns that error. At most `iterations` steps.
double localFit(const FitCurve& wanted, std::vector<Band>& bands, int iterations = 80);

}  // namespace vt::autoeq
