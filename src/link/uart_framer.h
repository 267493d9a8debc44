// The UART receive framer: finds frames (01 57 LL CC ...) and acknowledges (FE BB, FE AA) in the
// byte stream from the unit, skipping noise; it keeps its state between reads.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vt {

class UartFramer {
  public:
    using FrameHandler = std::function<void(const std::vector<std::uint8_t>&)>;
    using AckHandler = std::function<void()>;

    void setFrameHandler(FrameHandler h) { m_onFrame = std::move(h); }
    void setAckHandler(AckHandler h) { m_onAck = std::move(h); }

    // Bytes as they arrive, in any split.
    void ComPortRxChar(std::span<const std::uint8_t> bytes);
    // Forgets the frame in progress and the bytes waiting (a port closed or opened).
    void reset();

  private:
    enum class State { Hunting, Header, Body };
    void push(std::uint8_t b);
    // Back to hunting for a header; bytes still waiting to be framed stay.
    void hunt();
    void headerComplete();
    void finishFrame();

    State m_state = State::Hunting;
    std::size_t m_expected = 0;
    std::vector<std::uint8_t> m_buffer;
    // Bytes of the reads being framed; m_next is the next one to frame.
    std::vector<std::uint8_t> m_pending;
    std::size_t m_next = 0;
    bool m_feeding = false;
    FrameHandler m_onFrame;
    AckHandler m_onAck;
};

}  // namespace vt
