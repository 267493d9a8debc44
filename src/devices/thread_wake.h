// Ends a thread's blocking wait at once: a signal whose handler does nothing, installed without
// SA_RESTART, so that the poll() the thread waits in returns with EINTR.
#pragma once

#include <atomic>
#include <thread>

namespace vt::devices {

// Installs the handler once per process; later calls do nothing.
void installThreadWake();

// Sends the signal to `thread` until `finished` holds (a signal that arrives just before the
// thread starts to wait is sent again), then joins it.
void wakeAndJoin(std::thread& thread, const std::atomic<bool>& finished);

}  // namespace vt::devices
