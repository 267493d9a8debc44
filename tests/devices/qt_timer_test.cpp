// The link timers' adapter on a real QTimer: strides stand for whole periods, and periods handed
// over between timeouts never include the one the coming timeout stands for. Only counts are
// checked, never how long anything took.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>
#include <vector>

#include "devices/qt_timer.h"

namespace vt::devices {
namespace {

constexpr int kPeriodMs = 10;

TEST(QtTimerAdapter, EveryTimeoutAfterAStrideStandsForTheWholeStride) {
    std::vector<int> strides;
    QtTimer* self = nullptr;
    QtTimer timer(kPeriodMs, [&] {
        strides.push_back(self->stride());
        self->setStride(4);
    });
    self = &timer;
    timer.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return strides.size() >= 5; }, 5000));
    timer.stop();
    EXPECT_EQ(strides[0], 1);
    // However late a timeout comes, it stands for the periods it was armed for: the one after
    // the change for up to a stride and a period, every later one for exactly four.
    EXPECT_GE(strides[1], 4);
    EXPECT_LE(strides[1], 5);
    for (std::size_t i = 2; i < strides.size(); ++i) EXPECT_EQ(strides[i], 4) << i;
}

TEST(QtTimerAdapter, HandedOverPeriodsLeaveEveryTimeoutAtLeastOne) {
    int ticks = 0, taken = 0, counted = 0;
    std::vector<int> strides;
    QtTimer* self = nullptr;
    QtTimer timer(kPeriodMs, [&] {
        ++ticks;
        strides.push_back(self->stride());
        counted += self->stride();
        self->setStride(5);
    });
    self = &timer;
    // A second timer keeps asking for the periods passed so far, as a write would.
    QTimer asker;
    asker.setInterval(3);
    QObject::connect(&asker, &QTimer::timeout, [&] {
        const int t = timer.takeElapsedPeriods();
        EXPECT_GE(t, 0);
        EXPECT_LT(t, 5);  // never the period still due
        taken += t;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    timer.start();
    asker.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 8; }, 10000));
    const qint64 periods = elapsed.elapsed() / kPeriodMs;
    timer.stop();
    asker.stop();
    for (int s : strides) EXPECT_GE(s, 1);
    // No period is counted twice: the ticks and the handed-over periods add up to no more than
    // the periods that passed (the one in progress at the end may be counted already).
    EXPECT_LE(counted + taken, periods + 1);
    EXPECT_EQ(timer.takeElapsedPeriods(), 0);  // a stopped timer has nothing to hand over
}

}  // namespace
}  // namespace vt::devices
