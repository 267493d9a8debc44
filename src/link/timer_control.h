// The one thing the core asks of a timer: start, stop, and whether it runs. The program backs it
// with a QTimer, tests and benchmarks with a virtual clock; the core calls the timer's method.
#pragma once

namespace vt {

class TimerControl {
  public:
    virtual ~TimerControl() = default;
    // Starting a running timer leaves it running on its old phase.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

}  // namespace vt
