// Pseudo-terminal setup and the byte pump between the master end and the simulated unit.
#include "pty_bridge.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "sim/unit_answers.h"

namespace vt::test {
namespace {
constexpr int kAnnounceMs = 100;
}  // namespace

PtyBridge::PtyBridge() {
    m_clock.start();
    m_unit.setLatency(sim::Millis(2));
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        closeUnitEnd();
        return;
    }
    m_portName = QString::fromLocal8Bit(ptsname(m_master));
    // Raw from the start, so that nothing written before the program opens the port is echoed
    // back or held for a line end.
    m_slaveHold = ::open(m_portName.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios raw{};
    if (m_slaveHold < 0 || tcgetattr(m_slaveHold, &raw) != 0) {
        closeUnitEnd();
        return;
    }
    cfmakeraw(&raw);
    tcsetattr(m_slaveHold, TCSANOW, &raw);

    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyBridge::onReadable);
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &PtyBridge::collectDue);
    m_writeTimer.setInterval(1);
    m_writeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_writeTimer, &QTimer::timeout, this, &PtyBridge::writeOut);
    m_announceTimer.setInterval(kAnnounceMs);
    connect(&m_announceTimer, &QTimer::timeout, this, &PtyBridge::announce);
    m_announceTimer.start();
}

PtyBridge::~PtyBridge() {
    closeUnitEnd();
}

void PtyBridge::closeUnitEnd() {
    m_notifier.reset();
    m_answerTimer.stop();
    m_writeTimer.stop();
    m_announceTimer.stop();
    m_out.clear();
    if (m_master >= 0) ::close(m_master);
    if (m_slaveHold >= 0) ::close(m_slaveHold);
    m_master = -1;
    m_slaveHold = -1;
}

void PtyBridge::announce() {
    if (m_heard) {
        m_announceTimer.stop();
        return;
    }
    for (std::uint8_t b : sim::uartAcknowledge()) m_out.push_back(b);
    writeOut();
}

void PtyBridge::onReadable() {
    std::uint8_t buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) return;
    m_heard = true;
    m_unit.receive(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)), now());
    scheduleNext();
}

void PtyBridge::scheduleNext() {
    if (!m_unit.hasAnswer() || m_answerTimer.isActive()) return;
    const auto wait = m_unit.nextDue() - now();
    m_answerTimer.start(static_cast<int>(std::max<sim::Millis::rep>(0, wait.count())));
}

void PtyBridge::collectDue() {
    while (m_unit.hasAnswer() && m_unit.nextDue() <= now()) {
        const auto answer = m_unit.popAnswer();
        m_out.insert(m_out.end(), answer.bytes.begin(), answer.bytes.end());
    }
    writeOut();
    scheduleNext();
}

void PtyBridge::writeOut() {
    if (m_master < 0) return;
    if (!m_out.empty()) {
        const std::size_t count = m_bytewise ? 1 : m_out.size();
        const std::vector<std::uint8_t> chunk(m_out.begin(),
                                              m_out.begin() + static_cast<std::ptrdiff_t>(count));
        const ssize_t n = ::write(m_master, chunk.data(), chunk.size());
        if (n > 0) m_out.erase(m_out.begin(), m_out.begin() + n);
    }
    // What is left (the rest of an answer sent byte by byte, or what a full line refused)
    // follows on the next millisecond tick, so each byte meets its own read on the far end.
    if (m_out.empty())
        m_writeTimer.stop();
    else if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

}  // namespace vt::test
