// The two shadow images of the unit's parameters: the window image (what the window shows) and
// the device image (what the unit is believed to hold). Accessors never touch memory outside an
// image: an out-of-range address is a caller error, asserted in debug builds and ignored otherwise.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

#include "model/modules.h"

namespace vt {

template <int Slots>
class Image {
  public:
    using Row = std::array<std::int32_t, Slots>;

    static constexpr bool contains(int module, int slot) {
        return module >= 0 && module < kModuleCount && slot >= 0 && slot < Slots;
    }
    static constexpr bool containsAddress(int address) {
        return address >= 0 && contains(moduleOf(address), slotOf(address));
    }

    std::int32_t at(int module, int slot) const {
        assert(contains(module, slot));
        return contains(module, slot) ? m_rows[idx(module)][idx(slot)] : 0;
    }
    std::int32_t at(int address) const { return at(moduleOf(address), slotOf(address)); }

    void set(int module, int slot, std::int32_t value) {
        assert(contains(module, slot));
        if (contains(module, slot)) m_rows[idx(module)][idx(slot)] = value;
    }
    void set(int address, std::int32_t value) { set(moduleOf(address), slotOf(address), value); }

    const Row& row(int module) const { return m_rows[idx(module)]; }
    bool operator==(const Image&) const = default;

  private:
    static constexpr std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    std::array<Row, kModuleCount> m_rows{};
};

using WindowImage = Image<kWindowSlots>;
using DeviceImage = Image<kDeviceSlots>;

}  // namespace vt
