// The session's state questions and the step walk.
#include "service/unit_session.h"

#include <QString>

#include "link/link_constants.h"

namespace vt::service {

bool UnitSession::connected() {
    return link().linkState() == kConnected;
}

bool UnitSession::idle() {
    const SendState& s = link().sendState();
    return connected() && s.answerFlag == 1 && s.queue.empty() && s.repeatFlag == 0 &&
           s.pendingOperation == kOpNone;
}

void StepRunner::start(Step step, std::chrono::milliseconds timeout) {
    m_step = std::move(step);
    m_running = true;
    m_begun = false;
    m_timeout = timeout;
    m_clock.start();
}

StepRunner::State StepRunner::poll() {
    if (!m_running) return State::Idle;
    if (!m_begun && (!m_step.ready || m_step.ready())) {
        m_begun = true;
        if (m_step.begin) m_step.begin();
    }
    if (!m_running) return State::Idle;  // the beginning failed and cleared the runner
    if (m_begun && m_step.done()) {
        m_running = false;
        return State::Done;
    }
    if (m_running && m_clock.elapsed() > m_timeout.count()) {
        m_running = false;
        return State::TimedOut;
    }
    return m_running ? State::Running : State::Idle;
}

std::string noAnswerText(std::chrono::milliseconds timeout, const std::string& label) {
    const double seconds = static_cast<double>(timeout.count()) / 1000.0;
    return std::string(texts::kOffline) + ": no answer within " +
           QString::number(seconds).toStdString() + " s (link: " + label + ")";
}

}  // namespace vt::service
