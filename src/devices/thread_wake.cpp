// One real-time signal, never used by the toolkit or the C library, with an empty handler.
#include "devices/thread_wake.h"

#include <pthread.h>

#include <chrono>
#include <csignal>
#include <mutex>

namespace vt::devices {
namespace {

int wakeSignal() {
    return SIGRTMIN + 5;
}

void ignoreWake(int) {}

}  // namespace

void installThreadWake() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = ignoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the interrupted wait returns EINTR
        sigaction(wakeSignal(), &action, nullptr);
    });
}

void wakeAndJoin(std::thread& thread, const std::atomic<bool>& finished) {
    if (!thread.joinable()) return;
    while (!finished) {
        pthread_kill(thread.native_handle(), wakeSignal());
        for (int i = 0; i < 20 && !finished; ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    thread.join();
}

}  // namespace vt::devices
