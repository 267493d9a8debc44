// The 17 markers of the graph: which control marks which slot, their names, sizes and glyphs.
#pragma once

#include <array>
#include <string_view>

#include "eq/band_settings.h"

namespace vt {

enum class MarkerGlyph { Band, HighPass, LowPass };

struct MarkerInfo {
    std::string_view name;
    int width;
    int height;
    MarkerGlyph glyph;
    int number;  // shown on band markers
};

inline constexpr int kMarkerCount = 17;
inline constexpr int kHighPassMarker = 9;
inline constexpr int kLowPassMarker = 10;
inline constexpr int kFirstChannelMarker = 2;  // EP3..EP9 are shown on the Main channel only
inline constexpr int kLastChannelMarker = 8;
inline constexpr int kLastAlwaysShownMarker = kLowPassMarker;  // 11..16 stay hidden

inline constexpr std::array<MarkerInfo, kMarkerCount> kMarkers{{
    {"EP1", 18, 18, MarkerGlyph::Band, 1},
    {"EP2", 18, 18, MarkerGlyph::Band, 2},
    {"EP3", 18, 18, MarkerGlyph::Band, 3},
    {"EP4", 18, 18, MarkerGlyph::Band, 4},
    {"EP5", 18, 18, MarkerGlyph::Band, 5},
    {"EP6", 18, 18, MarkerGlyph::Band, 6},
    {"EP7", 18, 18, MarkerGlyph::Band, 7},
    {"EP8", 18, 18, MarkerGlyph::Band, 8},
    {"EP9", 18, 18, MarkerGlyph::Band, 9},
    {"HPF", 24, 24, MarkerGlyph::HighPass, 0},
    {"LPF", 24, 24, MarkerGlyph::LowPass, 0},
    {"EP12", 18, 18, MarkerGlyph::Band, 12},
    {"EP13", 18, 18, MarkerGlyph::Band, 13},
    {"EP14", 18, 18, MarkerGlyph::Band, 14},
    {"EP15", 18, 17, MarkerGlyph::Band, 15},
    {"EP10", 18, 18, MarkerGlyph::Band, 10},
    {"EP11", 18, 18, MarkerGlyph::Band, 11},
}};

// The marker that shows slot `slot` (0..16) holding a band of type code `type`: the filter
// markers for filter codes, else the slot's own marker.
constexpr int markerOfSlot(int slot, std::uint8_t type) {
    if (type >= kTypeLowPassBase) return kLowPassMarker;
    if (type >= kTypeHighPassBase) return kHighPassMarker;
    return slot;
}

}  // namespace vt
