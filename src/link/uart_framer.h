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
    void reset();

  private:
    enum class State { Hunting, Header, Body };
    void push(std::uint8_t b);
    void headerComplete();
    void finishFrame();

    State m_state = State::Hunting;
    std::size_t m_expected = 0;
    std::vector<std::uint8_t> m_buffer;
    FrameHandler m_onFrame;
    AckHandler m_onAck;
};

}  // namespace vt
