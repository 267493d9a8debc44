// Value label text ("#0.0"/"#0.00" with "." whatever the locale) and placement.
#include "eq/value_label.h"

#include "eq/band_settings.h"
#include "model/number_text.h"

namespace vt {

ValueLabel makeValueLabel(int slot, std::uint8_t type, float gain, float q, float frequency) {
    const std::string hz = formatFixed(frequency, 2) + "Hz";
    if (type >= kTypeHighPassBase || type % 10 >= kTypeVariQHighPass || slot >= 9)
        return {hz, ValueLabelPlacement::FrequencyOnly};
    return {formatFixed(gain, 1) + "dB\rQ:" + formatFixed(q, 2) + "\r" + hz,
            gain >= 0.0f ? ValueLabelPlacement::Below : ValueLabelPlacement::Above};
}

PixelPoint valueLabelPosition(const PixelRect& marker, PixelSize label,
                              ValueLabelPlacement placement) {
    const int left = marker.left - label.width / 2 + marker.width / 2;
    switch (placement) {
        case ValueLabelPlacement::FrequencyOnly:
            return {left, marker.top + marker.height - 5};
        case ValueLabelPlacement::Below:
            return {left, marker.top + marker.height};
        case ValueLabelPlacement::Above:
            break;
    }
    return {left, marker.top - label.height - 1};
}

}  // namespace vt
