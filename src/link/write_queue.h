// The send queue's store of writes: entry 0 is the write sent last, entries 1..count wait, oldest
// first. A burst to one parameter merges into its newest waiting entry; the queue is bounded.
#pragma once

#include <array>
#include <cstdint>

namespace vt {

struct QueuedWrite {
    int address = 0;
    std::uint16_t value = 0;
    bool operator==(const QueuedWrite&) const = default;
};

class WriteQueue {
  public:
    static constexpr int kEntries = 497;
    static constexpr int kMaxWaiting = 495;

    int count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const QueuedWrite& sent() const { return m_entries[0]; }
    // Waiting entry i, 1 = oldest .. count() = newest.
    const QueuedWrite& waiting(int i) const { return m_entries[idx(i)]; }

    // The write that goes out at once without waiting.
    void setSent(const QueuedWrite& w) { m_entries[0] = w; }

    // Queues a write. With more than one waiting and the newest one to the same address, that
    // entry takes the new value (the oldest waiting write never merges). A full queue (495) drops
    // its two newest writes for the new one, leaving 494.
    void push(const QueuedWrite& w);

    // Drops entry 0 and moves every waiting write down by one; the oldest becomes entry 0.
    void advance();

    void clear() { m_count = 0; }

  private:
    static constexpr std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    std::array<QueuedWrite, kEntries> m_entries{};
    int m_count = 0;
};

}  // namespace vt
