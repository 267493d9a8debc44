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

    // Lets a running timer stride: its timeouts come `periods` of its periods apart, on its own
    // phase, until it is stopped or given another stride (1 is its plain period). Set while
    // the coming ticks would have nothing to do, it saves waking up for each of them. A timer
    // that cannot stride ignores this.
    virtual void setStride(int periods) { (void)periods; }
    // How many periods the timeout being delivered stands for: the periods since the timeout
    // before it, less those already taken with takeElapsedPeriods.
    virtual int stride() const { return 1; }
    // Whole periods that have passed since the last timeout while the timer strode, handed over
    // now (before the owner goes back to every period) so that none is lost or counted twice.
    virtual int takeElapsedPeriods() { return 0; }
};

}  // namespace vt
