// The factory settings slot by slot.
#include "sim/factory_image.h"

#include <array>
#include <span>

#include "model/modules.h"
#include "model/scales.h"

namespace vt::sim {

namespace {

struct Band {
    int type;  // packed type and bypass
    int freq;  // frequency index
    int gain;  // gain step, 120 = 0 dB
    int peakQ;
    int q;
};

void setBand(DeviceImage& img, int module, int firstSlot, const Band& b) {
    const std::array<int, 5> fields{b.type, b.freq, b.gain, b.peakQ, b.q};
    for (int f = 0; f < 5; ++f) img.set(module, firstSlot + f, fields[static_cast<std::size_t>(f)]);
}

void setBands(DeviceImage& img, int module, int firstSlot, std::span<const Band> bands) {
    for (std::size_t i = 0; i < bands.size(); ++i)
        setBand(img, module, firstSlot + 5 * static_cast<int>(i), bands[i]);
}

}  // namespace

DeviceImage factoryImage() {
    using namespace slot_ids;
    DeviceImage img;

    // System: version 1.2.5 (first variant), Bluetooth input, 6 dB input level.
    img.set(kSystemModule, kSysVersion, 1);
    img.set(kSystemModule, kSysMinor, 2);
    img.set(kSystemModule, kSysPatch, 5);
    img.set(kSystemModule, kSysInput, 1);
    img.set(kSystemModule, kSysInputLevel, 1);

    // Main: delays, volume, phases, compressor, filters, nine bands.
    const int m = kMainModule;
    img.set(m, 0, 25);  // left delay 2.5 ms
    img.set(m, kMainVolume, 820);
    img.set(m, 2, 40);  // right delay 4.0 ms
    img.set(m, 3, 0);
    img.set(m, 4, 1);  // compressor on
    img.set(m, 5, 20);
    img.set(m, 6, 3);
    img.set(m, 7, 1);  // right phase inverted
    constexpr std::array<std::array<int, 2>, 5> kCurve{
        {{-60, -60}, {-40, -40}, {-24, -26}, {-12, -18}, {0, -10}}};
    for (std::size_t i = 0; i < kCurve.size(); ++i)
        img.set(m, kMainCurveFirst + static_cast<int>(i),
                packCurvePoint(kCurve[i][0], kCurve[i][1]));
    img.set(m, kMainHighPassType, 2);
    img.set(m, kMainHighPassFreq, 37);  // about 40 Hz
    img.set(m, kMainLowPassType, 0);
    img.set(m, kMainLowPassFreq, kFreqIndexMax);
    img.set(m, kMainEqPass, 0);
    constexpr std::array<Band, 9> kMainBands{{
        {1, 30, 135, 25, 19},
        {0, 70, 110, 30, 19},
        {0, 105, 126, 22, 19},
        {0, 140, 100, 40, 19},
        {0, 178, 120, 25, 19},
        {10, 215, 131, 28, 19},
        {0, 250, 114, 35, 19},
        {0, 290, 142, 25, 19},
        {2, 330, 128, 25, 21},
    }};
    setBands(img, m, kFirstBandSlot[1], kMainBands);

    // Auxiliary: dynamic EQ, gain, stereo, phases, filters, two bands, the default EQ.
    const int a = kAuxModule;
    constexpr std::array<int, 9> kDeq1{0, 0, 150, 110, 30, 2, 0, 20, 32};
    constexpr std::array<int, 9> kDeq2{1, 1, 60, 130, 25, 2, 1, 18, 28};
    for (int i = 0; i < 9; ++i) {
        img.set(a, 1 + i, kDeq1[static_cast<std::size_t>(i)]);
        img.set(a, 13 + i, kDeq2[static_cast<std::size_t>(i)]);
    }
    img.set(a, 25, 4);  // +3 dB
    img.set(a, 26, 1);  // stereo
    img.set(a, 27, 0);
    img.set(a, 28, 1);
    img.set(a, kAuxHighPassType, 1);
    img.set(a, kAuxHighPassFreq, 20);
    img.set(a, kAuxLowPassType, 5);
    img.set(a, kAuxLowPassFreq, 94);  // about 120 Hz
    constexpr std::array<Band, 2> kAuxBands{{{0, 60, 132, 30, 19}, {0, 95, 108, 25, 19}}};
    setBands(img, a, kFirstBandSlot[2], kAuxBands);
    constexpr std::array<Band, 4> kDefaultBands{{{1, 40, 130, 25, 19},
                                                 {0, 150, 115, 25, 19},
                                                 {0, 250, 124, 25, 19},
                                                 {2, 320, 126, 25, 19}}};
    setBands(img, a, 43, kDefaultBands);
    img.set(a, kHintHighPassType, 1);
    img.set(a, kHintHighPassFreq, 30);
    img.set(a, kHintLowPassType, 0);
    img.set(a, kHintLowPassFreq, kFreqIndexMax);
    return img;
}

}  // namespace vt::sim
