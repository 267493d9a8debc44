// The output level meters: the level a status reply's level byte stands for, and the five-value
// history per meter through which the meters show a running mean on every other answer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace vt {

inline constexpr int kMeterMax = 48;

// 48 + 20 log10(byte / 255), truncated; silence counts as 0.0003; 0 and 1 show as 1, 47 and above
// as 48 (negative levels stay).
int levelFromByte(std::uint8_t byte);

class LevelHistory {
  public:
    static constexpr int kDepth = 5;

    // Advances the shared index (wrapping from 5 to 0), then stores each level byte that the reply
    // carried. Returns the value each meter should now show: set only on an even index, and only
    // for a meter whose byte was there.
    struct Update {
        std::optional<int> left;
        std::optional<int> right;
    };
    Update add(std::optional<std::uint8_t> left, std::optional<std::uint8_t> right);

    int index() const { return m_index; }
    const std::array<int, kDepth>& values(int meter) const {
        return m_values[static_cast<std::size_t>(meter)];
    }

  private:
    std::optional<int> store(int meter, std::optional<std::uint8_t> byte);

    std::array<std::array<int, kDepth>, 2> m_values{};
    int m_index = 0;
};

}  // namespace vt
