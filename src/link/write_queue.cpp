// Merging, appending and releasing queued writes.
#include "link/write_queue.h"

#include <algorithm>

namespace vt {

void WriteQueue::push(const QueuedWrite& w) {
    if (m_count > 1 && m_entries[idx(m_count)].address == w.address) {
        m_entries[idx(m_count)].value = w.value;
        return;
    }
    m_count = m_count <= kMaxWaiting - 1 ? m_count + 1 : kMaxWaiting - 1;
    m_entries[idx(m_count)] = w;
}

void WriteQueue::advance() {
    if (m_count <= 0) return;
    std::copy(m_entries.begin() + 1, m_entries.begin() + 1 + m_count, m_entries.begin());
    --m_count;
}

}  // namespace vt
