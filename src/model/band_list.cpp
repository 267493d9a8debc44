// Building the channel band list from the window image.
#include "model/band_list.h"

#include "model/scales.h"
#include "model/slot_map.h"

namespace vt {

int ChannelBandList(const ParameterModel& model, int module, int highPassItem, int lowPassItem,
                    BandList& list) {
    const bool main = module == kMainModule;
    const int bands = kBandCount[static_cast<std::size_t>(module)];
    const SlotMap& map = SlotMap::instance();

    for (int b = 0; b < bands; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const int typeSlot = bandSlot(module, b, kFieldType);
        const int type = model.window.at(module, typeSlot);
        list.type[i] = type;
        list.freq[i] =
            static_cast<float>(frequencyValue(model.window.at(module, typeSlot + kFieldFreq)));
        list.gain[i] = static_cast<float>(gainDb(model.window.at(module, typeSlot + kFieldGain)));
        const int qSlot = typeSlot + (type == 0 ? kFieldPeakQ : kFieldQ);
        list.q[i] = static_cast<float>(qValue(model.window.at(module, qSlot)));
        list.freqBox[i] = map.at(module, typeSlot + kFieldFreq).primary.name;
        list.gainBox[i] = map.at(module, typeSlot + kFieldGain).primary.name;
        list.qBox[i] = map.at(module, typeSlot + kFieldPeakQ).primary.name;
    }

    using namespace slot_ids;
    const int hpFreqSlot = main ? kMainHighPassFreq : kAuxHighPassFreq;
    const int lpFreqSlot = main ? kMainLowPassFreq : kAuxLowPassFreq;
    const int hpIndex = model.window.at(module, hpFreqSlot);
    const int lpIndex = model.window.at(module, lpFreqSlot);
    const auto hp = static_cast<std::size_t>(bands);
    const auto lp = hp + 1;

    list.type[hp] = hpIndex == 0 ? 100 : 100 + highPassItem;
    list.freq[hp] = static_cast<float>(frequencyValue(hpIndex));
    list.type[lp] = lpIndex == kFreqIndexMax ? 200 : 200 + lowPassItem;
    list.freq[lp] = static_cast<float>(frequencyValue(lpIndex));
    for (auto e : {hp, lp}) {
        list.gain[e] = 0.0f;
        list.q[e] = 1.0f;
        list.gainBox[e].clear();
        list.qBox[e].clear();
    }
    list.freqBox[hp] = map.at(module, hpFreqSlot).primary.name;
    list.freqBox[lp] = map.at(module, lpFreqSlot).primary.name;
    if (!main) {
        // The graph's filter markers are entries 9 and 10 on both channels.
        list.freqBox[9] = list.freqBox[hp];
        list.freqBox[10] = list.freqBox[lp];
    }
    return 200 + bands - 1;
}

}  // namespace vt
