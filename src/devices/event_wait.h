// Waiting on a real event loop: timers fire on time while a test waits (a wait that sleeps
// between event batches would slow every timer to its own pace).
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace vt::devices {

// Runs the event loop until `done` holds (checked every few milliseconds) or `limitMs` passed;
// returns whether it holds.
inline bool waitUntil(const std::function<bool()>& done, int limitMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return done();
}

// Runs the event loop for `ms` milliseconds.
inline void runFor(int ms) {
    waitUntil([] { return false; }, ms);
}

}  // namespace vt::devices
