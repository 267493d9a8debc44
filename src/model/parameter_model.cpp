// Parameter model operations: binding, Write parameter, copy step, band position.
#include "model/parameter_model.h"

#include "model/scales.h"
#include "model/slot_map.h"

namespace vt {

void ParameterModel::bindControls() {
    refresh = true;
    m_tags.clear();
    const SlotMap& map = SlotMap::instance();
    for (const auto& b : map.bindings()) m_tags[b.control->name] = makeAddress(b.module, b.slot);
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s) device.set(m, s, 2);

    using namespace slot_ids;
    device.set(kMainModule, kMainHighPassType, 0);
    device.set(kMainModule, kMainHighPassFreq, 0);
    device.set(kMainModule, kMainLowPassType, 0);
    device.set(kMainModule, kMainLowPassFreq, kFreqIndexMax);
    device.set(kAuxModule, kAuxLowPassType, 0);
    device.set(kAuxModule, kAuxLowPassFreq, kFreqIndexMax);
    device.set(kAuxModule, kHintHighPassType, 0);
    device.set(kAuxModule, kHintLowPassType, 0);

    currentEditBox = "MusFreEdit1";
    previousEditBox.clear();
    refresh = false;
}

int ParameterModel::tagOf(std::string_view controlName) const {
    auto it = m_tags.find(std::string(controlName));
    return it == m_tags.end() ? -1 : it->second;
}

void ParameterModel::SendDatatoMCU(int address, int value) {
    window.set(address, value);
    device.set(address, value);
    if (sendSuppression == 1) return;
    if (m_observer) m_observer->parameterWritten(address, value);
    if (m_sink) m_sink->queueWrite(address, value);
}

void ParameterModel::copyDeviceToWindow() {
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            window.set(m, s, device.at(m, s));
}

int ParameterModel::bandPosition(int address) const {
    using namespace slot_ids;
    constexpr int kNone = 255;
    const int module = moduleOf(address);
    const int slot = slotOf(address);
    auto only = [&](int channel, int band) {
        return currentChannel == channel ? band * 256 : kNone;
    };

    if (module == kMainModule) {
        if (slot == kMainHighPassType || slot == kMainHighPassFreq) return only(kMainModule, 9);
        if (slot == kMainLowPassType || slot == kMainLowPassFreq) return only(kMainModule, 10);
    }
    if (module == kAuxModule) {
        if (slot == kAuxHighPassType || slot == kAuxHighPassFreq) return only(kAuxModule, 2);
        if (slot == kAuxLowPassType || slot == kAuxLowPassFreq) return only(kAuxModule, 3);
    }
    if (address > makeAddress(kAuxModule, kHintHighPassType)) return kNone;
    if (module <= 0 || module != currentChannel) return kNone;
    const int first = kFirstBandSlot[static_cast<std::size_t>(module)];
    if (slot < first) return kNone;
    return ((slot - first) / 5) * 256 + (slot - first) % 5;
}

int ParameterModel::effectiveAddress(int tag) const {
    const int pos = bandPosition(tag);
    if (pos == 255) return tag;
    const int field = pos % 256;
    if (field != kFieldPeakQ && field != kFieldQ) return tag;
    const int typeAddress = tag - field;
    return window.at(typeAddress) == 0 ? typeAddress + kFieldPeakQ : typeAddress + kFieldQ;
}

}  // namespace vt
