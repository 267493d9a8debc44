// UART framing: hunting, header, body.
#include "link/uart_framer.h"

#include "link/link_constants.h"

namespace vt {

void UartFramer::reset() {
    hunt();
    m_pending.clear();
    m_next = 0;
}

void UartFramer::hunt() {
    m_state = State::Hunting;
    m_expected = 0;
    m_buffer.clear();
}

void UartFramer::ComPortRxChar(std::span<const std::uint8_t> bytes) {
    // A handler may run an event loop (a modal message box) in which the port reads on: bytes
    // that arrive then wait behind the rest of the read being framed, so the stream keeps order.
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    if (m_feeding) return;
    m_feeding = true;
    while (m_next < m_pending.size()) push(m_pending[m_next++]);
    m_pending.clear();
    m_next = 0;
    m_feeding = false;
}

void UartFramer::push(std::uint8_t b) {
    switch (m_state) {
        case State::Hunting:
            m_buffer.clear();
            if (b == link::kHeader0) {
                m_buffer.push_back(b);
                m_expected = 3;
                m_state = State::Header;
            } else if (b == 0xFE) {
                m_buffer.push_back(b);
                m_expected = 1;
                m_state = State::Header;
            }
            return;
        case State::Header:
            m_buffer.push_back(b);
            if (--m_expected == 0) headerComplete();
            return;
        case State::Body:
            m_buffer.push_back(b);
            if (--m_expected == 0) finishFrame();
            return;
    }
}

void UartFramer::headerComplete() {
    if (m_buffer.size() == 4) {
        const bool command = m_buffer[3] == link::kCmdWrite || m_buffer[3] == link::kCmdRead;
        if (m_buffer[1] == link::kHeader1 && command) {
            // byte 2 counts the bytes after it, checksum included.
            m_expected = m_buffer[2] > 0 ? m_buffer[2] - 1u : 0u;
            m_state = State::Body;
            if (m_expected == 0) finishFrame();
            return;
        }
        hunt();
        return;
    }
    const bool ack = m_buffer[1] == 0xBB || m_buffer[1] == 0xAA;
    hunt();
    if (ack && m_onAck) m_onAck();
}

void UartFramer::finishFrame() {
    std::vector<std::uint8_t> frame;
    frame.swap(m_buffer);
    hunt();
    if (m_onFrame) m_onFrame(frame);
}

}  // namespace vt
