// Level formula and the meters' rotating history.
#include "link/level_meter.h"

#include <cmath>
#include <numeric>

namespace vt {

int levelFromByte(std::uint8_t byte) {
    double x = byte / 255.0;
    if (!(x > 0.0)) x = 0.0003;
    int level = static_cast<int>(std::trunc(48.0 + 20.0 * std::log10(x)));
    if (level == 0 || level == 1) level = 1;
    if (level >= 47) level = kMeterMax;
    return level;
}

std::optional<int> LevelHistory::store(int meter, std::optional<std::uint8_t> byte) {
    if (!byte) return std::nullopt;
    auto& history = m_values[static_cast<std::size_t>(meter)];
    history[static_cast<std::size_t>(m_index)] = levelFromByte(*byte);
    if (m_index % 2 != 0) return std::nullopt;
    return std::accumulate(history.begin(), history.end(), 0) / kDepth;
}

LevelHistory::Update LevelHistory::add(std::optional<std::uint8_t> left,
                                       std::optional<std::uint8_t> right) {
    m_index = m_index + 1 == kDepth ? 0 : m_index + 1;
    return {store(0, left), store(1, right)};
}

}  // namespace vt
