// A link timer on a QTimer: the core's start/stop/isActive, with the core's method on timeout.
// Starting a running timer keeps its phase, as the link expects.
#pragma once

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
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_timer.interval() != m_period * m_stride) m_timer.setInterval(m_period * m_stride);
            m_tick();
        });
    }
    void start() override {
        if (!m_timer.isActive()) m_timer.start();
    }
    void stop() override {
        m_timer.stop();
        m_stride = 1;
        m_timer.setInterval(m_period);
    }
    bool isActive() const override { return m_timer.isActive(); }

    void setStride(int periods) override {
        periods = std::max(periods, 1);
        if (!m_timer.isActive() || periods == m_stride) return;
        // The next timeout falls on the first period boundary after now, plus the rest of the
        // stride; the ones after it a whole stride apart.
        const int sinceLast = m_period * m_stride - std::max(m_timer.remainingTime(), 0);
        const int toBoundary = m_period - sinceLast % m_period;
        m_stride = periods;
        m_timer.start(toBoundary + m_period * (periods - 1));
    }
    int stride() const override { return m_stride; }

  private:
    QTimer m_timer;
    int m_period;
    int m_stride = 1;
    std::function<void()> m_tick;
};

}  // namespace vt::devices
