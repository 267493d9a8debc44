// Value scales: tables built once, texts and the snapping of typed numbers.
#include "model/scales.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/number_text.h"
#include "model/rounding.h"

namespace vt {
namespace {

struct FrequencyTable {
    std::array<std::string, kFreqSteps> text;
    std::array<double, kFreqSteps> value{};

    FrequencyTable() {
        for (int i = 0; i < kFreqSteps; ++i) {
            const double f = 1000.0 * std::pow(2.0, (i - 204) / 36.0);
            // three significant digits
            const double scale = std::pow(10.0, std::floor(std::log10(f)) - 2.0);
            const double rounded = roundHalfEven(f / scale) * scale;
            text[static_cast<std::size_t>(i)] = formatFixed(rounded, 1);
        }
        // The four entries that do not follow the rule.
        text[81] = "94.0";
        text[82] = "95.0";
        text[83] = "97.0";
        text[84] = "99.0";
        for (int i = 0; i < kFreqSteps; ++i)
            value[static_cast<std::size_t>(i)] = *parseReal(text[static_cast<std::size_t>(i)]);
    }
};

const FrequencyTable& freqTable() {
    static const FrequencyTable table;
    return table;
}

constexpr std::array<std::string_view, kQSteps> kQTexts{
    "0.1",   "0.12",  "0.15",  "0.18",  "0.22",  "0.25",   "0.29",   "0.32",   "0.36",   "0.40",
    "0.42",  "0.45",  "0.47",  "0.50",  "0.53",  "0.56",   "0.59",   "0.63",   "0.67",   "0.71",
    "0.75",  "0.79",  "0.84",  "0.89",  "0.94",  "1.00",   "1.06",   "1.12",   "1.19",   "1.26",
    "1.30",  "1.40",  "1.50",  "1.60",  "1.70",  "1.80",   "1.90",   "2.00",   "2.10",   "2.20",
    "2.40",  "2.50",  "2.70",  "2.80",  "3.00",  "3.20",   "3.40",   "3.60",   "3.80",   "4.00",
    "4.20",  "4.50",  "4.80",  "5.00",  "5.30",  "5.70",   "6.00",   "6.30",   "6.70",   "7.10",
    "7.60",  "8.00",  "8.50",  "9.00",  "9.50",  "10.10",  "10.70",  "11.30",  "12.00",  "12.70",
    "13.50", "14.00", "15.00", "16.00", "17.00", "18.00",  "19.00",  "20.00",  "21.00",  "23.00",
    "24.00", "25.00", "27.00", "29.00", "30.00", "32.00",  "34.00",  "36.00",  "38.00",  "40.00",
    "43.00", "45.00", "48.00", "51.00", "54.00", "57.00",  "60.00",  "64.00",  "68.00",  "72.00",
    "76.00", "81.00", "85.00", "91.00", "96.00", "102.00", "108.00", "114.00", "121.00", "128.00",
};

const std::array<double, kQSteps>& qValues() {
    static const std::array<double, kQSteps> values = [] {
        std::array<double, kQSteps> v{};
        for (std::size_t i = 0; i < kQSteps; ++i) v[i] = *parseReal(kQTexts[i]);
        return v;
    }();
    return values;
}

constexpr std::array<std::string_view, kReleaseSteps> kReleaseTexts{
    "Atk x 2", "Atk x 4", "Atk x 6", "Atk x 8", "Atk x 12", "Atk x 16", "Atk x 24", "Atk x 32"};

std::size_t clampIndex(int index, int count) {
    return static_cast<std::size_t>(std::clamp(index, 0, count - 1));
}

int nearestFrequencyIndex(double x) {
    const auto& f = freqTable().value;
    int i = 0;
    while (i < kFreqSteps && f[static_cast<std::size_t>(i)] < x) ++i;
    if (i == 0) return 0;
    if (i >= kFreqIndexMax) return kFreqIndexMax;
    const double below = x - f[static_cast<std::size_t>(i - 1)];
    const double above = f[static_cast<std::size_t>(i)] - x;
    return below <= above ? i - 1 : i;
}

int qIndexNotBelow(double x) {
    const auto& q = qValues();
    for (int i = 0; i < kQSteps; ++i)
        if (!(q[static_cast<std::size_t>(i)] < x)) return i;
    return kQSteps;
}

}  // namespace

std::string_view frequencyText(int index) {
    return freqTable().text[clampIndex(index, kFreqSteps)];
}
std::string_view qText(int index) {
    return kQTexts[clampIndex(index, kQSteps)];
}
std::string_view releaseText(int index) {
    return kReleaseTexts[clampIndex(index, kReleaseSteps)];
}
double frequencyValue(int index) {
    return freqTable().value[clampIndex(index, kFreqSteps)];
}
double qValue(int index) {
    return qValues()[clampIndex(index, kQSteps)];
}

std::string gainText(double v) {
    return formatFixed(gainDb(v), 1) + "dB";
}
std::string delayText(double v) {
    return formatFixed(delayMs(v), 1) + "ms";
}
std::string attackText(double v) {
    return formatFixed(std::trunc(v), 1) + "ms";
}
std::string volumeText(int v) {
    return v >= 998 ? std::string("100.0") : formatFixed(v / 10.0, 1);
}
std::string auxGainText(double v) {
    return formatFixed(auxGainDb(v), 0) + "dB";
}
std::string deqStartText(double v) {
    return formatFixed(deqStartDbu(v), 0) + "dBu";
}
std::string deqCutoffText(double v) {
    return formatFixed(deqCutoffDbu(v), 0) + "dBu";
}

double SnapToScale(int kind, double x) {
    switch (kind) {
        case kViewFreq:
            return nearestFrequencyIndex(x);
        case kViewGain:
            return roundHalfEven((x + 24.0) * 5.0);
        case kViewQ:
            return qIndexNotBelow(x);
        default:
            return x;
    }
}

}  // namespace vt
