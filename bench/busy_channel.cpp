// The busy Main channel: nine bands of mixed types, a 12 dB Butterworth high-pass and a 12 dB
// Linkwitz-Riley low-pass.
#include "busy_channel.h"

#include "model/modules.h"

namespace vt::bench {
namespace {

struct BandSetting {
    int type;       // type slot value
    int freqIndex;  // 0..361
    int gainStep;   // 0..180, 120 = 0 dB
    int qIndex;     // 0..109
};

constexpr BandSetting kBands[] = {
    {1, 40, 150, 25}, {0, 80, 100, 31},  {0, 204, 180, 25}, {0, 150, 90, 60},  {2, 300, 140, 19},
    {0, 250, 60, 49}, {3, 120, 120, 40}, {0, 330, 130, 90}, {4, 340, 120, 25},
};

}  // namespace

BusyChannel::BusyChannel()
    : source(model, [this](int channel) {
          const bool main = channel == kMainModule;
          return ModelCurveSource::FilterItems{
              model.window.at(channel,
                              main ? slot_ids::kMainHighPassType : slot_ids::kAuxHighPassType),
              model.window.at(channel,
                              main ? slot_ids::kMainLowPassType : slot_ids::kAuxLowPassType)};
      }) {
    model.bindControls();
    model.copyDeviceToWindow();
    for (int b = 0; b < 9; ++b) {
        const BandSetting& s = kBands[b];
        model.window.set(kMainModule, bandSlot(kMainModule, b, kFieldType), s.type);
        model.window.set(kMainModule, bandSlot(kMainModule, b, kFieldFreq), s.freqIndex);
        model.window.set(kMainModule, bandSlot(kMainModule, b, kFieldGain), s.gainStep);
        model.window.set(kMainModule, bandSlot(kMainModule, b, kFieldPeakQ), s.qIndex);
        model.window.set(kMainModule, bandSlot(kMainModule, b, kFieldQ), s.qIndex);
    }
    using namespace slot_ids;
    model.window.set(kMainModule, kMainHighPassType, 2);
    model.window.set(kMainModule, kMainHighPassFreq, 30);
    model.window.set(kMainModule, kMainLowPassType, 3);
    model.window.set(kMainModule, kMainLowPassFreq, 320);
}

void BusyChannel::nudgeGain(int band) {
    const int slot = bandSlot(kMainModule, band, kFieldGain);
    const int step = model.window.at(kMainModule, slot);
    model.window.set(kMainModule, slot, step == 180 ? 179 : step + 1);
}

}  // namespace vt::bench
