// A virtual clock for tests and benchmarks: repeating timers and one-shot events fire in time
// order, as fast as the machine runs. Nothing sleeps. At one time, events come before timers and
// timers fire in the order they were (re)armed, as with the toolkit's own timers.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "link/timer_control.h"

namespace vt::sim {

class VirtualClock {
  public:
    using Millis = std::chrono::milliseconds;

    class Timer final : public TimerControl {
      public:
        Timer(VirtualClock& clock, Millis interval, std::function<void()> onTick)
            : m_clock(clock), m_interval(interval), m_onTick(std::move(onTick)) {}
        void start() override;
        void stop() override {
            m_active = false;
            m_stride = 1;
        }
        bool isActive() const override { return m_active; }
        void setStride(int periods) override;
        // A timer that cannot stride ignores setStride and ticks every period (for comparisons).
        void setCanStride(bool can) { m_canStride = can; }
        int stride() const override { return m_firing; }
        int takeElapsedPeriods() override;
        Millis interval() const { return m_interval; }
        // When it fires next (meaningful while active).
        Millis nextTimeout() const { return m_due; }

      private:
        friend class VirtualClock;
        VirtualClock& m_clock;
        Millis m_interval;
        std::function<void()> m_onTick;
        bool m_active = false;
        Millis m_due{0};
        Millis m_last{0};  // when it last fired or was started, moved on by taken periods
        int m_stride = 1;
        bool m_canStride = true;
        int m_firing = 1;  // periods the timeout being delivered stands for
        std::uint64_t m_seq = 0;
    };

    Millis now() const { return m_now; }

    // A repeating timer, stopped until started; it lives as long as the clock.
    Timer& addTimer(Millis interval, std::function<void()> onTick);

    // Runs `fn` once at `at` (not before now).
    void schedule(Millis at, std::function<void()> fn);

    // Fires everything due up to and including `until`, then stands at `until`.
    void runUntil(Millis until);
    void advance(Millis by) { runUntil(m_now + by); }
    // Fires events until `done()` holds after one of them, or until `limit` from now has passed.
    // Returns whether `done()` held.
    bool runUntil(const std::function<bool()>& done, Millis limit);

    // Called after every timer tick and event (for invariant checks).
    void setAfterEach(std::function<void()> check) { m_afterEach = std::move(check); }

  private:
    bool fireNext(Millis until);
    std::uint64_t nextSeq() { return m_seq++; }

    Millis m_now{0};
    std::uint64_t m_seq = 0;
    std::vector<std::unique_ptr<Timer>> m_timers;
    std::map<std::pair<Millis, std::uint64_t>, std::function<void()>> m_events;
    std::function<void()> m_afterEach;
};

}  // namespace vt::sim
