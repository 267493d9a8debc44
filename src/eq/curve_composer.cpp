// A redraw's arithmetic: reload the band list, recompute the named slot (or all), place markers,
// write the value label, sum the slots and turn the total into curve points.
#include "eq/curve_composer.h"

#include <algorithm>

#include "eq/band_response.h"
#include "eq/vector_state.h"
#include "model/modules.h"
#include "model/rounding.h"

namespace vt {
namespace {

// Gain at which a slot's marker sits: peaking and shelving bands (bypassed or not) at their gain,
// variable-Q bands and filters on the 0 dB line.
float markerGain(std::uint8_t type, float gain) {
    return type < kTypeHighPassBase && type % 10 <= kTypeHighShelf ? gain : 0.0f;
}

// Band frequency as the response math takes it: whole Hz, NaN and infinities held in range.
std::int32_t wholeHz(float frequency) {
    if (!(frequency > 0.0f)) return 0;
    return static_cast<std::int32_t>(roundHalfEven(std::min(double{frequency}, 1e9)));
}

}  // namespace

bool CurveComposer::compose(int band, int channel, const CurveSource& source, CurveFrame& frame) {
    if (band < 0 || band > kAllSlots || (channel != kMainModule && channel != kAuxModule) ||
        source.refreshing())
        return false;

    clearUpperVectorState();
    frame.passOverlayVisible = channel == kMainModule && source.eqPassed(channel);
    const int r = source.loadBandList(channel, m_bands);
    const int last = std::clamp(r % 100 + r / 100, 0, kGraphSlots - 1);
    frame.channelMarkersVisible.reset();
    if (band == kAllSlots) frame.channelMarkersVisible = channel == kMainModule;

    frame.markerCount = 0;
    for (int s = 0; s <= last; ++s) {
        if (band != kAllSlots && band != s) continue;
        const auto i = static_cast<std::size_t>(s);
        const std::uint8_t type = typeCodeOf(m_bands.type[i]);
        BandResponse({type, wholeHz(m_bands.freq[i]), m_bands.q[i], m_bands.gain[i]},
                     m_responses[i]);
        const int marker = markerOfSlot(s, type);
        frame.markers[static_cast<std::size_t>(frame.markerCount++)] = {marker,
                                                                        markerPosition(marker, i)};
    }

    // The label belongs to a slot of this channel only; other slots hold another channel's bands.
    frame.valueLabel.reset();
    if (band != kAllSlots && band <= last) {
        const auto i = static_cast<std::size_t>(band);
        const std::uint8_t type = typeCodeOf(m_bands.type[i]);
        const int marker = markerOfSlot(band, type);
        const auto& info = kMarkers[static_cast<std::size_t>(marker)];
        const PixelPoint at = frame.markers[0].position;
        frame.valueLabel = CurveFrame::Label{
            makeValueLabel(band, type, m_bands.gain[i], m_bands.q[i], m_bands.freq[i]), marker,
            PixelRect{at.x, at.y, info.width, info.height}};
    }

    const auto step = static_cast<float>(static_cast<double>(m_geometry.width()) / kPoints);
    for (std::size_t p = 0; p < kPointCount; ++p) {
        float total = 0.0f;
        for (std::size_t s = 0; s <= static_cast<std::size_t>(last); ++s)
            total += m_responses[s][p];
        frame.points[p] = {toPixel(static_cast<double>(p) * step),
                           toPixel(m_geometry.YOfGain(total))};
    }
    return true;
}

PixelPoint CurveComposer::markerPosition(int marker, std::size_t slot) const {
    const int h = kMarkers[static_cast<std::size_t>(marker)].height;
    const float gain = markerGain(typeCodeOf(m_bands.type[slot]), m_bands.gain[slot]);
    return {toPixel(m_geometry.XOfFrequency(m_bands.freq[slot]) - h / 2),
            toPixel(m_geometry.YOfGain(gain) - h / 2)};
}

}  // namespace vt
