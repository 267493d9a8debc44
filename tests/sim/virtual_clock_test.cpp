// The virtual clock: time order, events before timers at one time and timers in arming order,
// timers stopped and restarted from within, strides.
#include "sim/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace vt::sim {
namespace {

using std::chrono::milliseconds;

TEST(VirtualClock, FiresTimersAndEventsInTimeOrder) {
    VirtualClock clock;
    std::string trace;
    auto at = [&](const char* what) { trace += what + std::to_string(clock.now().count()) + " "; };
    auto& fast = clock.addTimer(milliseconds(25), [&] { at("f"); });
    auto& slow = clock.addTimer(milliseconds(50), [&] { at("s"); });
    fast.start();
    slow.start();
    // Due with both timers: the event comes first, the timers then in the order they were armed
    // (the fast one last re-armed at 25).
    clock.schedule(milliseconds(50), [&] { at("e"); });
    clock.schedule(milliseconds(10), [&] { at("x"); });
    clock.runUntil(milliseconds(50));
    EXPECT_EQ(trace, "x10 f25 e50 s50 f50 ");
    EXPECT_EQ(clock.now(), milliseconds(50));
}

TEST(VirtualClock, TimersStopAndRestartFromTheirOwnTick) {
    VirtualClock clock;
    int ticks = 0;
    VirtualClock::Timer* self = nullptr;
    auto& t = clock.addTimer(milliseconds(100), [&] {
        if (++ticks == 2) {
            self->stop();
            self->start();  // restarted: a full period from now
        }
    });
    self = &t;
    t.start();
    t.start();  // already running: keeps its phase
    clock.runUntil(milliseconds(250));
    EXPECT_EQ(ticks, 2);
    clock.runUntil(milliseconds(300));
    EXPECT_EQ(ticks, 3);
    t.stop();
    clock.advance(milliseconds(1000));
    EXPECT_EQ(ticks, 3);
}

TEST(VirtualClock, RunsUntilAConditionOrTheLimit) {
    VirtualClock clock;
    int ticks = 0;
    clock.addTimer(milliseconds(10), [&] { ++ticks; }).start();
    EXPECT_TRUE(clock.runUntil([&] { return ticks == 3; }, milliseconds(100)));
    EXPECT_EQ(clock.now(), milliseconds(30));
    EXPECT_FALSE(clock.runUntil([] { return false; }, milliseconds(100)));
    EXPECT_EQ(clock.now(), milliseconds(130));
}

// A striding timer keeps its phase, says how many periods each timeout stands for, and hands
// over the periods already passed when it goes back to every period, so none is counted twice.
TEST(VirtualClock, StridesKeepThePhaseAndCountEveryPeriodOnce) {
    VirtualClock clock;
    std::string trace;
    VirtualClock::Timer* self = nullptr;
    auto& t = clock.addTimer(milliseconds(25), [&] {
        trace += std::to_string(clock.now().count()) + "/" + std::to_string(self->stride()) + " ";
        if (clock.now() == milliseconds(25)) self->setStride(4);
    });
    self = &t;
    t.start();
    clock.runUntil(milliseconds(190));     // fires at 25, then 125 for four periods
    EXPECT_EQ(t.takeElapsedPeriods(), 2);  // 150 and 175 passed since 125
    t.setStride(1);
    clock.runUntil(milliseconds(230));
    EXPECT_EQ(trace, "25/1 125/4 200/1 225/1 ");
}

// An event due with a timeout comes first whether the timer ticks every period or strides, and
// the periods handed over before a timeout never include the one it stands for, even when that
// timeout is due right now: as the toolkit's timer adapter does.
TEST(VirtualClock, StridingTimersMeetEventsAndHandOverPeriodsAsPlainOnes) {
    for (bool stride : {false, true}) {
        VirtualClock clock;
        std::string trace;
        VirtualClock::Timer* self = nullptr;
        auto& t = clock.addTimer(milliseconds(25), [&] {
            trace += "t" + std::to_string(clock.now().count()) + "/" +
                     std::to_string(self->stride()) + " ";
            self->setStride(4);
        });
        self = &t;
        t.setCanStride(stride);
        t.start();
        clock.runUntil(milliseconds(25));
        int taken = -1;
        clock.schedule(milliseconds(125), [&] {
            trace += "e125 ";
            taken = t.takeElapsedPeriods();
        });
        clock.runUntil(milliseconds(125));
        if (stride) {
            EXPECT_EQ(trace, "t25/1 e125 t125/1 ");  // 50, 75, 100 handed over; 125 stays
            EXPECT_EQ(taken, 3);
        } else {
            EXPECT_EQ(trace, "t25/1 t50/1 t75/1 t100/1 e125 t125/1 ");
            EXPECT_EQ(taken, 0);
        }
    }
}

}  // namespace
}  // namespace vt::sim
