// Real-time delivery of the simulated unit's answers.
#include "devices/simulated_device.h"

namespace vt::devices {

SimulatedDevice::SimulatedDevice(QObject* parent) : QObject(parent), m_unit(TransportKind::UsbHid) {
    m_clock.start();
    m_unit.setKeepLog(false);
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, &SimulatedDevice::deliverDue);
}

HidDeviceInfo SimulatedDevice::info() {
    return {kSimulatedPath, kUnitVendorId, kUnitProductId, "Simulated unit", ""};
}

void SimulatedDevice::plugIn() {
    if (m_unit.plugged()) return;
    m_unit.replug();
    emit pluggedChanged();
}

void SimulatedDevice::unplug() {
    if (!m_unit.plugged()) return;
    m_unit.unplug();
    m_answerTimer.stop();
    emit pluggedChanged();
}

WriteResult SimulatedDevice::write(std::span<const std::uint8_t> bytes) {
    if (!m_unit.plugged()) return {false, 19, "No such device"};
    m_unit.receive(bytes, now());
    scheduleNext();
    return {};
}

void SimulatedDevice::scheduleNext() {
    if (!m_unit.hasAnswer() || m_answerTimer.isActive()) return;
    const auto wait = m_unit.nextDue() - now();
    m_answerTimer.start(static_cast<int>(std::max<sim::Millis::rep>(0, wait.count())));
}

void SimulatedDevice::deliverDue() {
    while (m_unit.hasAnswer() && m_unit.nextDue() <= now()) {
        const auto answer = m_unit.popAnswer();
        emit reportReceived(QByteArray(reinterpret_cast<const char*>(answer.bytes.data()),
                                       static_cast<qsizetype>(answer.bytes.size())));
    }
    scheduleNext();
}

}  // namespace vt::devices
