// The arithmetic of a curve redraw: the slot table with its kept responses, the marker positions,
// the value label, the "EQ PASS" overlay state and the curve points. Drawing is left to the caller.
#pragma once

#include <array>
#include <optional>

#include "eq/curve_source.h"
#include "eq/graph_geometry.h"
#include "eq/marker_table.h"
#include "eq/point_grid.h"
#include "eq/value_label.h"
#include "model/band_list.h"

namespace vt {

inline constexpr int kGraphSlots = 17;
inline constexpr int kAllSlots = 20;  // the band argument that redraws every slot

struct MarkerPlacement {
    int marker = 0;
    PixelPoint position;  // top-left in the graph image
};

// Everything one redraw changes on screen.
struct CurveFrame {
    bool passOverlayVisible = false;
    std::optional<bool> channelMarkersVisible;  // EP3..EP9; set when every slot was redrawn
    std::array<MarkerPlacement, kGraphSlots> markers{};
    int markerCount = 0;
    struct Label {
        ValueLabel label;
        int marker = 0;  // the label is placed against this marker's new position
        PixelRect markerRect;
    };
    std::optional<Label> valueLabel;
    // Points 0..kPoints; the curve is drawn through 0..kPoints - 1.
    std::array<PixelPoint, kPointCount> points{};
};

class CurveComposer {
  public:
    explicit CurveComposer(const GraphGeometry& geometry) : m_geometry(geometry) {}

    // Runs a redraw of `band` (a slot 0..16, or kAllSlots) on `channel` (1 Main, 2 Auxiliary).
    // Returns false, leaving `frame` and the slots untouched, when the request is ignored: a band
    // outside 0..20, a channel other than 1 or 2, or while the source is refreshing.
    bool compose(int band, int channel, const CurveSource& source, CurveFrame& frame);

    const BandList& bands() const { return m_bands; }
    const Response& response(int slot) const { return m_responses[static_cast<std::size_t>(slot)]; }
    const GraphGeometry& geometry() const { return m_geometry; }

  private:
    PixelPoint markerPosition(int marker, std::size_t slot) const;

    GraphGeometry m_geometry;
    BandList m_bands;
    std::array<Response, kGraphSlots> m_responses{};
};

}  // namespace vt
