// A link timer on a QTimer: the core's start/stop/isActive, with the core's method on timeout.
// Starting a running timer keeps its phase, as the link expects.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "link/timer_control.h"

namespace vt::devices {

class QtTimer : public QObject, public TimerControl {
    Q_OBJECT
  public:
    QtTimer(int intervalMs, std::function<void()> tick, QObject* parent = nullptr)
        : QObject(parent), m_period(intervalMs), m_tick(std::move(tick)) {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_firing = m_scheduled;
            m_scheduled = m_stride;
            m_lastMs = m_clock.elapsed();
            if (m_timer.interval() != m_period * m_stride) m_timer.setInterval(m_period * m_stride);
            m_tick();
        });
    }
    void start() override {
        if (m_timer.isActive()) return;
        m_lastMs = m_clock.elapsed();
        m_timer.start();
    }
    void stop() override {
        m_timer.stop();
        m_stride = m_scheduled = 1;
        m_timer.setInterval(m_period);
    }
    bool isActive() const override { return m_timer.isActive(); }

    void setStride(int periods) override {
        periods = std::max(periods, 1);
        if (!m_timer.isActive() || periods == m_stride) return;
        // The next timeout falls on the first period boundary after now, plus the rest of the
        // stride; the ones after it a whole stride apart.
        const auto sinceLast = std::max<qint64>(m_clock.elapsed() - m_lastMs, 0);
        const auto toBoundary = m_period - sinceLast % m_period;
        m_stride = periods;
        m_scheduled = static_cast<int>(sinceLast / m_period) + periods;
        m_timer.start(static_cast<int>(toBoundary) + m_period * (periods - 1));
    }
    int stride() const override { return m_firing; }
    int takeElapsedPeriods() override {
        if (!m_timer.isActive()) return 0;
        const auto periods = std::max<qint64>(m_clock.elapsed() - m_lastMs, 0) / m_period;
        const int taken = std::min(static_cast<int>(periods), m_scheduled - 1);
        m_lastMs += taken * m_period;
        m_scheduled -= taken;
        return taken;
    }

  private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastMs = 0;  // the last timeout (or start), moved on by taken periods
    int m_period;
    int m_stride = 1;
    int m_scheduled = 1;  // periods the coming timeout stands for
    int m_firing = 1;     // periods the timeout being delivered stands for
    std::function<void()> m_tick;
};

}  // namespace vt::devices
