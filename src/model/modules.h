// Modules of the unit's parameter map, their slot counts and band layout, and address arithmetic.
#pragma once

#include <array>
#include <cstdint>

namespace vt {

inline constexpr int kModuleCount = 4;    // modules 0..3; every loop over modules runs 0..3
inline constexpr int kWindowSlots = 86;   // row length of the window image
inline constexpr int kDeviceSlots = 113;  // row length of the device image

inline constexpr std::array<int, kModuleCount> kSlotCount{17, 65, 67, 1};
inline constexpr std::array<int, kModuleCount> kBandCount{0, 9, 2, 0};
inline constexpr std::array<int, kModuleCount> kFirstBandSlot{0, 20, 33, 0};

inline constexpr int kSystemModule = 0;
inline constexpr int kMainModule = 1;
inline constexpr int kAuxModule = 2;

// Band fields by offset from a band's first slot.
enum BandField : int {
    kFieldType = 0,
    kFieldFreq = 1,
    kFieldGain = 2,
    kFieldPeakQ = 3,
    kFieldQ = 4
};

constexpr int moduleOf(int address) {
    return address / 256;
}
constexpr int slotOf(int address) {
    return address % 256;
}
constexpr int makeAddress(int module, int slot) {
    return module * 256 + slot;
}

// Slot of a band field: first band slot + 5 x band + field (band from 0).
constexpr int bandSlot(int module, int band, int field) {
    return kFirstBandSlot[static_cast<std::size_t>(module)] + 5 * band + field;
}

// Fixed slots that several layers name.
namespace slot_ids {
inline constexpr int kSysVersion = 1;
inline constexpr int kSysMinor = 4;
inline constexpr int kSysPatch = 6;
inline constexpr int kSysInput = 10;
inline constexpr int kSysInputLevel = 11;
inline constexpr int kSysRecall = 12;
inline constexpr int kSysStore = 13;

inline constexpr int kMainVolume = 1;
inline constexpr int kMainCurveFirst = 8;
inline constexpr int kMainHighPassType = 13;
inline constexpr int kMainHighPassFreq = 15;
inline constexpr int kMainLowPassType = 16;
inline constexpr int kMainLowPassFreq = 18;
inline constexpr int kMainEqPass = 19;

inline constexpr int kAuxHighPassType = 29;
inline constexpr int kAuxHighPassFreq = 30;
inline constexpr int kAuxLowPassType = 31;
inline constexpr int kAuxLowPassFreq = 32;
inline constexpr int kHintHighPassType = 63;
inline constexpr int kHintHighPassFreq = 64;
inline constexpr int kHintLowPassType = 65;
inline constexpr int kHintLowPassFreq = 66;
}  // namespace slot_ids

}  // namespace vt
