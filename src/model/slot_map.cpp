// The declarative slot map of all four modules and its expansion into the binding table.
#include "model/slot_map.h"

#include <cassert>

namespace vt {

namespace items {
const std::array<std::string_view, 5> kBandTypes{"PEQ", "LSQ", "HSQ", "VariQ HP", "VariQ LP"};
const std::array<std::string_view, 3> kDeqTypes{"PEQ", "LSEQ", "HSEQ"};
const std::array<std::string_view, 5> kHintBandTypes{"参量均衡", "低棚架", "高棚架", "VariQ高通",
                                                     "VariQ低通"};
const std::array<std::string_view, 4> kMainFilterTypes{"OFF", "12dB Bessel", "12dB Butterworth",
                                                       "12dB Linkwitz-Riley"};
const std::array<std::string_view, 7> kAuxFilterTypes{
    "OFF",         "12dB Bessel",      "12dB Butterworth",   "12dB Linkwitz-Riley",
    "24dB Bessel", "24dB Butterworth", "24dB Linkwitz-Riley"};
const std::array<std::string_view, 2> kOnOff{"OFF", "ON"};
const std::array<std::string_view, 2> kSubMode{"Mono ", "Stereo"};
const std::array<std::string_view, 3> kInputSource{"RCA ", "蓝牙", "自动"};
const std::array<std::string_view, 2> kInputLevel{"0dB", "6dB"};
const std::array<std::string_view, 2> kDeqStartMode{" 低启动", "高启动"};
}  // namespace items

namespace {

using K = ControlKind;

// One row of the map: a single slot, its primary and companion controls.
struct Row {
    int module;
    int slot;
    std::string_view primary;
    K primaryKind;
    int primaryView;
    std::span<const std::string_view> items;
    std::string_view companion = {};
    K companionKind = K::Empty;
    int companionView = 0;
};

// A group of EQ bands laid out five slots per band.
struct BandGroup {
    int module;
    int firstSlot;
    int bands;
    std::string_view prefix;  // "Mus", "AUX", "Hint"
    std::string_view bypassPrefix;
    std::span<const std::string_view> typeItems;
};

const Row kRows[] = {
    // System
    {0, 10, "InputBox", K::Combo, 1, items::kInputSource},
    {0, 11, "SysIOLevelBox", K::Combo, 1, items::kInputLevel},
    // Main
    {1, 0, "OutLDelayBar", K::TrackBar, 0, {}, "OutLDelayPane", K::Pane, 18},
    {1, 1, "SysMusNormalVolBar", K::TrackBar, 0, {}, "SysMusNormalVolPane", K::Pane, 0},
    {1, 2, "OutRDelayBar", K::TrackBar, 0, {}, "OutRDelayPane", K::Pane, 18},
    {1, 3, "OutLPhaseBtn", K::Button, 0, {}},
    {1, 4, "RMSBox", K::Combo, 1, items::kOnOff},
    {1, 5, "MusRmsAttackBar", K::TrackBar, 0, {}, "MusRmsAttackPane", K::Pane, 17},
    {1, 6, "MusRmsReleaseBar", K::TrackBar, 0, {}, "MusRmsReleasePane", K::Pane, 16},
    {1, 7, "OutRPhaseBtn", K::Button, 0, {}},
    {1, 13, "MusHighPassBox", K::Combo, 1, items::kMainFilterTypes},
    {1, 15, "MusHighPassFre", K::Edit, 2, {}},
    {1, 16, "MusLowPassBox", K::Combo, 1, items::kMainFilterTypes},
    {1, 18, "MusLowPassFre", K::Edit, 2, {}},
    {1, 19, "MusEQAllpassBtn", K::Button, 0, {}},
    // Auxiliary: dynamic EQ 1 and 2
    {2, 1, "DEQALLPASSBtn1", K::Button, 0, {}},
    {2, 2, "DEQModeBox1", K::Combo, 1, items::kDeqTypes},
    {2, 3, "DEQFreEdit1", K::Edit, 2, {}},
    {2, 4, "DEQGainEdit1", K::Edit, 3, {}},
    {2, 5, "DEQQEdit1", K::Edit, 4, {}},
    {2, 7, "DEQTypeBox1", K::Combo, 3, items::kDeqStartMode},
    {2, 8, "DEQRmsLevelBar1", K::TrackBar, 0, {}, "DEQRmsLevelPane1", K::Pane, 35},
    {2, 9, "DEQMaxLevelBar1", K::TrackBar, 0, {}, "DEQMaxLevelPane1", K::Pane, 36},
    {2, 13, "DEQALLPASSBtn2", K::Button, 0, {}},
    {2, 14, "DEQModeBox2", K::Combo, 1, items::kDeqTypes},
    {2, 15, "DEQFreEdit2", K::Edit, 2, {}},
    {2, 16, "DEQGainEdit2", K::Edit, 3, {}},
    {2, 17, "DEQQEdit2", K::Edit, 4, {}},
    {2, 19, "DEQTypeBox2", K::Combo, 3, items::kDeqStartMode},
    {2, 20, "DEQRmsLevelBar2", K::TrackBar, 0, {}, "DEQRmsLevelPane2", K::Pane, 35},
    {2, 21, "DEQMaxLevelBar2", K::TrackBar, 0, {}, "DEQMaxLevelPane2", K::Pane, 36},
    // Auxiliary: outputs and filters
    {2, 25, "AuxOutGainBar", K::TrackBar, 0, {}, "AuxOutGainPane", K::Pane, 20},
    {2, 26, "SubSteroBox", K::Combo, 1, items::kSubMode},
    {2, 27, "SubLPhaseBtn", K::Button, 0, {}},
    {2, 28, "SubRPhaseBtn", K::Button, 0, {}},
    {2, 29, "AuxHighPassBox", K::Combo, 1, items::kAuxFilterTypes},
    {2, 30, "AuxHighPassFre", K::Edit, 2, {}},
    {2, 31, "AuxLowPassBox", K::Combo, 1, items::kAuxFilterTypes},
    {2, 32, "AuxLowPassFre", K::Edit, 2, {}},
    // Auxiliary: factory default EQ filters
    {2, 63, "HintHighPassBox", K::Combo, 1, items::kMainFilterTypes},
    {2, 64, "HintHighPassFre", K::Edit, 2, {}},
    {2, 65, "HintLowPassBox", K::Combo, 1, items::kMainFilterTypes},
    {2, 66, "HintLowPassFre", K::Edit, 2, {}},
};

const BandGroup kBandGroups[] = {
    {1, 20, 9, "Mus", "MusBypassCheck", items::kBandTypes},
    {2, 33, 2, "AUX", "AuxBypassCheck", items::kBandTypes},
    {2, 43, 4, "Hint", "HintBypassCheck", items::kHintBandTypes},
};

// Slots with empty entries in both tables (no placeholder either).
constexpr struct {
    int module;
    int slot;
} kEmptySlots[] = {{0, 16}, {3, 0}};

ControlRef makeRef(std::string_view name, K kind, int view,
                   std::span<const std::string_view> list = {}) {
    return ControlRef{std::string(name), kind, view, list};
}

ControlRef placeholder() {
    return makeRef(kPlaceholderName, K::Placeholder, 3);
}

}  // namespace

SlotMap::SlotMap() {
    // Start from the default rules: modules 0 and 1 use the placeholder in both tables,
    // module 2 uses it in the primary table only; everything else is empty.
    for (int m = 0; m < kModuleCount; ++m) {
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s) {
            auto& e = m_entries[static_cast<std::size_t>(m)][static_cast<std::size_t>(s)];
            if (m <= 2) e.primary = placeholder();
            if (m <= 1) e.companion = placeholder();
        }
    }
    for (const auto& empty : kEmptySlots) {
        m_entries[static_cast<std::size_t>(empty.module)][static_cast<std::size_t>(empty.slot)] =
            {};
    }
    for (const Row& row : kRows) {
        auto& e =
            m_entries[static_cast<std::size_t>(row.module)][static_cast<std::size_t>(row.slot)];
        e.primary = makeRef(row.primary, row.primaryKind, row.primaryView, row.items);
        if (row.companionKind != K::Empty)
            e.companion = makeRef(row.companion, row.companionKind, row.companionView);
    }
    for (const BandGroup& g : kBandGroups) {
        for (int b = 0; b < g.bands; ++b) {
            const std::string n = std::to_string(b + 1);
            const std::string p(g.prefix);
            const ControlRef fields[5] = {
                makeRef(p + "ModeBox" + n, K::Combo, 1, g.typeItems),
                makeRef(p + "FreEdit" + n, K::Edit, 2),
                makeRef(p + "GainEdit" + n, K::Edit, 3),
                makeRef(p + "QEdit" + n, K::Edit, 4),
                makeRef(p + "QEdit" + n, K::Edit, 4),
            };
            for (int f = 0; f < 5; ++f) {
                auto& e = m_entries[static_cast<std::size_t>(g.module)]
                                   [static_cast<std::size_t>(g.firstSlot + 5 * b + f)];
                e.primary = fields[f];
                if (f == kFieldType)
                    e.companion = makeRef(std::string(g.bypassPrefix) + n, K::Check, 0);
            }
        }
    }
    for (int m = 0; m < kModuleCount; ++m) {
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s) {
            const auto& e = m_entries[static_cast<std::size_t>(m)][static_cast<std::size_t>(s)];
            if (e.primary.bound()) m_bindings.push_back({&e.primary, m, s});
            if (e.companion.bound()) m_bindings.push_back({&e.companion, m, s});
        }
    }
}

const SlotMap& SlotMap::instance() {
    static const SlotMap map;
    return map;
}

const SlotEntry& SlotMap::at(int module, int slot) const {
    static const SlotEntry kNone{};
    if (module < 0 || module >= kModuleCount || slot < 0 || slot >= kWindowSlots) return kNone;
    return m_entries[static_cast<std::size_t>(module)][static_cast<std::size_t>(slot)];
}

const ControlRef* SlotMap::find(std::string_view name) const {
    for (const auto& b : m_bindings)
        if (b.control->name == name) return b.control;
    return nullptr;
}

}  // namespace vt
