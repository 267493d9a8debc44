// The link window's history list, bounded: it keeps the newest lines only, so that a link left
// connected for days (a line for every write, keep-alive polls included) does not grow forever.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace vt {

class HistoryList {
  public:
    static constexpr std::size_t kMaxLines = 5000;

    explicit HistoryList(std::size_t maxLines = kMaxLines) : m_max(maxLines == 0 ? 1 : maxLines) {}

    // Appends a line and returns how many of the oldest lines had to go to make room.
    std::size_t add(std::string line) {
        std::size_t dropped = 0;
        while (m_lines.size() >= m_max) {
            m_lines.pop_front();
            ++dropped;
        }
        m_lines.push_back(std::move(line));
        return dropped;
    }

    const std::deque<std::string>& lines() const { return m_lines; }
    std::size_t size() const { return m_lines.size(); }

  private:
    std::size_t m_max;
    std::deque<std::string> m_lines;
};

}  // namespace vt
