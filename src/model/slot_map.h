// The slot map: which control shows each slot of each module, with its companion control,
// control kind, view kind and combo items. One declarative table serves binding, the
// placeholder and empty-entry rules and the device image initialisation.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/modules.h"

namespace vt {

enum class ControlKind { Empty, Placeholder, Edit, Combo, Pane, TrackBar, Button, Check };

inline constexpr std::string_view kPlaceholderName = "Example";

struct ControlRef {
    std::string name;
    ControlKind kind = ControlKind::Empty;
    int viewKind = 0;                         // 0 = none
    std::span<const std::string_view> items;  // combo box items, in order

    // A real control (neither the placeholder nor an empty entry).
    bool bound() const { return kind != ControlKind::Empty && kind != ControlKind::Placeholder; }
};

struct SlotEntry {
    ControlRef primary;
    ControlRef companion;
};

class SlotMap {
  public:
    static const SlotMap& instance();

    // Entry of (module, slot); slots at or above the module's slot count are empty.
    const SlotEntry& at(int module, int slot) const;

    // Every bound control, primary and companion, in binding order (module, slot, primary first).
    struct Binding {
        const ControlRef* control;
        int module;
        int slot;
    };
    const std::vector<Binding>& bindings() const { return m_bindings; }

    // The control of a name (first binding), or nullptr.
    const ControlRef* find(std::string_view name) const;

  private:
    SlotMap();
    std::array<std::array<SlotEntry, kWindowSlots>, kModuleCount> m_entries{};
    std::vector<Binding> m_bindings;
};

// Combo box item lists.
namespace items {
extern const std::array<std::string_view, 5> kBandTypes;
extern const std::array<std::string_view, 3> kDeqTypes;
extern const std::array<std::string_view, 5> kHintBandTypes;
extern const std::array<std::string_view, 4> kMainFilterTypes;
extern const std::array<std::string_view, 7> kAuxFilterTypes;
extern const std::array<std::string_view, 2> kOnOff;
extern const std::array<std::string_view, 2> kSubMode;
extern const std::array<std::string_view, 3> kInputSource;
extern const std::array<std::string_view, 2> kInputLevel;
extern const std::array<std::string_view, 2> kDeqStartMode;
}  // namespace items

}  // namespace vt
