// A link timer on a QTimer: the core's start/stop/isActive, with the core's method on timeout.
// Starting a running timer keeps its phase, as the link expects.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "link/timer_control.h"

namespace vt::devices {

class QtTimer : public QObject, public TimerControl {
    Q_OBJECT
  public:
    QtTimer(int intervalMs, std::function<void()> tick, QObject* parent = nullptr)
        : QObject(parent), m_tick(std::move(tick)) {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_tick(); });
    }
    void start() override {
        if (!m_timer.isActive()) m_timer.start();
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

  private:
    QTimer m_timer;
    std::function<void()> m_tick;
};

}  // namespace vt::devices
