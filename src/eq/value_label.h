// The value label written next to the marker of the band last redrawn: its text and where it
// goes relative to the marker.
#pragma once

#include <cstdint>
#include <string>

#include "eq/graph_geometry.h"

namespace vt {

enum class ValueLabelPlacement {
    FrequencyOnly,  // filters and variable-Q bands: overlapping the marker's lower edge
    Below,          // bands of 0 dB or more
    Above,          // bands below 0 dB
};

struct ValueLabel {
    std::string text;  // lines separated by carriage returns
    ValueLabelPlacement placement = ValueLabelPlacement::FrequencyOnly;
};

// Text and placement for slot `slot` with the given settings: "12.0dB\rQ:1.41\r1000.00Hz" for a
// peaking or shelving band, "1000.00Hz" for filters, variable-Q bands and slots 9 and above.
ValueLabel makeValueLabel(int slot, std::uint8_t type, float gain, float q, float frequency);

// Top-left of a label of size `label` placed against `marker`.
PixelPoint valueLabelPosition(const PixelRect& marker, PixelSize label,
                              ValueLabelPlacement placement);

}  // namespace vt
