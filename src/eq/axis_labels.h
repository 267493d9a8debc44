// The graph's axis labels: names, texts and the grid values they sit at, and where a label of a
// given size is placed next to the graph.
#pragma once

#include <array>
#include <string_view>

#include "eq/graph_geometry.h"

namespace vt {

struct AxisLabelInfo {
    std::string_view name;
    std::string_view text;
    double value;  // dB for gain labels, Hz for frequency labels
};

inline constexpr PixelSize kGainLabelSize{32, 13};
inline constexpr PixelSize kFrequencyLabelSize{36, 13};

inline constexpr std::array<AxisLabelInfo, 7> kGainLabels{{
    {"EQLabelY0", "-24dB", -24},
    {"EQLabelY1", "-18dB", -18},
    {"EQLabelY2", "-12dB", -12},
    {"EQLabelY3", "-6dB", -6},
    {"EQLabelY4", "0dB", 0},
    {"EQLabelY5", "6dB", 6},
    {"EQLabelY6", "12dB", 12},
}};

inline constexpr std::array<AxisLabelInfo, 10> kFrequencyLabels{{
    {"EQLabelX11", "20Hz", 20},
    {"EQLabelX12", "50Hz", 50},
    {"EQLabelX13", "100Hz", 100},
    {"EQLabelX14", "200Hz", 200},
    {"EQLabelX15", "500Hz", 500},
    {"EQLabelX16", "1KHz", 1000},
    {"EQLabelX17", "2KHz", 2000},
    {"EQLabelX18", "5KHz", 5000},
    {"EQLabelX19", "10KHz", 10000},
    {"EQLabelX20", "20KHz", 20000},
}};

// Top-left of a gain label: its right edge 2 pixels left of the graph, centred on the gain's row.
// `graph` is the graph's top-left in the labels' parent.
PixelPoint gainLabelPosition(const GraphGeometry& geometry, PixelPoint graph, PixelSize label,
                             double gain);

// Top-left of a frequency label: directly below the graph, centred on the frequency's column.
PixelPoint frequencyLabelPosition(const GraphGeometry& geometry, PixelPoint graph, PixelSize label,
                                  double frequency);

}  // namespace vt
