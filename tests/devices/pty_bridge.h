// The simulated unit's UART side on the master end of a pseudo-terminal pair: bytes the program
// writes to the slave end reach the unit, and the unit's answers go back when they fall due,
// whole or one byte at a time. Until it hears a first byte the unit announces itself with FE BB,
// as a unit on a serial line does when its port opens.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>

#include "sim/simulated_unit.h"

namespace vt::test {

class PtyBridge : public QObject {
    Q_OBJECT
  public:
    PtyBridge();
    ~PtyBridge() override;

    bool ok() const { return m_master >= 0; }
    // The slave end's name, for the program's --port.
    QString portName() const { return m_portName; }
    sim::SimulatedUnit& unit() { return m_unit; }

    // Answers leave one byte per write, a millisecond apart.
    void setBytewise(bool bytewise) { m_bytewise = bytewise; }
    // The unit's end of the line goes away.
    void closeUnitEnd();
    bool heardAnything() const { return m_heard; }

  private:
    sim::Millis now() const { return sim::Millis(m_clock.elapsed()); }
    void onReadable();
    void collectDue();
    void scheduleNext();
    void writeOut();
    void announce();

    int m_master = -1;
    int m_slaveHold = -1;  // keeps the line open (and raw) while no program has it open
    QString m_portName;
    std::unique_ptr<QSocketNotifier> m_notifier;
    sim::SimulatedUnit m_unit{TransportKind::Uart};
    QElapsedTimer m_clock;
    QTimer m_answerTimer;
    QTimer m_writeTimer;
    QTimer m_announceTimer;
    std::deque<std::uint8_t> m_out;
    bool m_bytewise = false;
    bool m_heard = false;
};

}  // namespace vt::test
