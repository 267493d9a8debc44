// SIGTERM, SIGINT and SIGHUP turned into a call on the event loop, so that the window program
// ends as if its window were closed: settings on their way reach the unit, the position is kept,
// the device is closed.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vt::app {

class TerminationSignals {
  public:
    // `onSignal` runs on the event loop with the signal's number, once for every signal.
    explicit TerminationSignals(std::function<void(int)> onSignal);
    // The signals' default actions are back.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace vt::app
