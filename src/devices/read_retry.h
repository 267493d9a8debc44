// When a failed HID read ends the reader thread: a removed device at once; any other failure only
// once reads have kept failing for about 200 ms. A good read forgives earlier failures.
#pragma once

#include <chrono>

namespace vt::devices {

class ReadRetry {
  public:
    using Millis = std::chrono::milliseconds;
    static constexpr Millis kGiveUpAfter{200};
    static constexpr Millis kPause{40};  // between two attempts

    enum class Verdict { Retry, GiveUp };

    Verdict failed(Millis now, bool deviceGone) {
        if (deviceGone) return Verdict::GiveUp;
        if (!m_failing) m_firstFailure = now;
        m_failing = true;
        return now - m_firstFailure >= kGiveUpAfter ? Verdict::GiveUp : Verdict::Retry;
    }
    void succeeded() { m_failing = false; }

  private:
    bool m_failing = false;
    Millis m_firstFailure{0};
};

}  // namespace vt::devices
