// Firing timers and events in time order.
#include "sim/virtual_clock.h"

#include <algorithm>

namespace vt::sim {

void VirtualClock::Timer::start() {
    if (m_active) return;
    m_active = true;
    m_last = m_clock.m_now;
    m_due = m_clock.m_now + m_interval;
    m_seq = m_clock.nextSeq();
}

void VirtualClock::Timer::setStride(int periods) {
    periods = std::max(periods, 1);
    if (!m_canStride || !m_active || periods == m_stride) return;
    // The first period boundary after now, on the timer's own phase, plus the rest of the stride.
    // Like a QTimer started anew, it then stands behind whatever is already due at that time.
    const auto boundaries = (m_clock.m_now - m_last) / m_interval + 1;
    m_stride = periods;
    m_due = m_last + m_interval * (boundaries + periods - 1);
    m_seq = m_clock.nextSeq();
}

int VirtualClock::Timer::takeElapsedPeriods() {
    if (!m_active) return 0;
    // The period the coming timeout stands for stays with it, even when it is due right now.
    const auto periods = (m_clock.m_now - m_last) / m_interval;
    const auto scheduled = (m_due - m_last) / m_interval;
    const auto taken = std::min(periods, scheduled - 1);
    m_last += m_interval * taken;
    return static_cast<int>(taken);
}

VirtualClock::Timer& VirtualClock::addTimer(Millis interval, std::function<void()> onTick) {
    m_timers.push_back(std::make_unique<Timer>(*this, interval, std::move(onTick)));
    return *m_timers.back();
}

void VirtualClock::schedule(Millis at, std::function<void()> fn) {
    m_events.emplace(std::make_pair(std::max(at, m_now), nextSeq()), std::move(fn));
}

bool VirtualClock::fireNext(Millis until) {
    Timer* timer = nullptr;
    for (auto& t : m_timers) {
        if (!t->m_active || t->m_due > until) continue;
        if (!timer || std::pair(t->m_due, t->m_seq) < std::pair(timer->m_due, timer->m_seq))
            timer = t.get();
    }
    const bool eventDue = !m_events.empty() && m_events.begin()->first.first <= until;
    // At one time, events (the unit's answers) come before timers, as the toolkit's event loop
    // delivers posted events before it looks at its timers.
    const bool eventFirst = eventDue && (!timer || m_events.begin()->first.first <= timer->m_due);

    if (eventFirst) {
        auto node = m_events.extract(m_events.begin());
        m_now = node.key().first;
        node.mapped()();
    } else if (timer) {
        m_now = timer->m_due;
        timer->m_firing = static_cast<int>((timer->m_due - timer->m_last) / timer->m_interval);
        timer->m_last = m_now;
        timer->m_due += timer->m_interval * timer->m_stride;
        timer->m_seq = nextSeq();
        timer->m_onTick();
    } else {
        return false;
    }
    if (m_afterEach) m_afterEach();
    return true;
}

void VirtualClock::runUntil(Millis until) {
    while (fireNext(until)) {
    }
    if (until > m_now) m_now = until;
}

bool VirtualClock::runUntil(const std::function<bool()>& done, Millis limit) {
    const Millis until = m_now + limit;
    if (done()) return true;
    while (fireNext(until))
        if (done()) return true;
    m_now = until;
    return false;
}

}  // namespace vt::sim
