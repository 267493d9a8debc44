// The response of one band or filter on the point grid: BandResponse and the one-section
// responses it is built from.
#pragma once

#include <array>

#include "eq/band_settings.h"
#include "eq/point_grid.h"
#include "eq/section_design.h"

namespace vt {

// What BandResponse computes for a band: the snapped frequency, the Q after substitution and up
// to two sections whose dB responses add.
struct BandPlan {
    struct Section {
        SectionKind kind = SectionKind::Peak;
        FilterSection filter;
    };
    int frequency = 10;  // Hz, snapped to the point grid
    float q = 1.0f;
    float gain = 0.0f;
    std::array<Section, 2> sections{};
    int count = 0;  // 0 draws flat
};

BandPlan planBand(const BandSettings& settings);

// Fills the whole response array of one slot.
void BandResponse(const BandSettings& settings, Response& out);

// One section each, placed on the grid at `frequency`.
void PeakResponse(int frequency, float q, float gain, Response& out);
void ShelfResponse(int frequency, float slope, float gain, bool high, Response& out);
void HighPassResponse(int frequency, FilterSection section, float q, Response& out);
void LowPassResponse(int frequency, FilterSection section, float q, Response& out);

}  // namespace vt
