// The yardstick for the prototype method: a channel's curve computed exactly, each section
// designed at its own frequency and its complex magnitude taken at every graph frequency.
#pragma once

#include "eq/band_settings.h"
#include "eq/point_grid.h"
#include "model/band_list.h"

namespace vt::bench {

// Sample rate at which the axis's upper end, 24 kHz, is the Nyquist frequency.
inline constexpr double kSampleRate = 48000.0;

// Sum in dB over slots 0..last of the exact response of each band at the 463 graph frequencies.
void exactCurve(const BandList& bands, int last, Response& total);

}  // namespace vt::bench
