// The simulated unit as a USB-HID device: listed with the unit's vendor and product IDs and the
// product string "Simulated unit", answering in real time after its latency (2 ms by default).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "link/device_list.h"
#include "link/transport.h"
#include "sim/simulated_unit.h"

namespace vt::devices {

inline constexpr const char* kSimulatedPath = "simulated:unit";

class SimulatedDevice : public QObject, public Transport {
    Q_OBJECT
  public:
    explicit SimulatedDevice(QObject* parent = nullptr);

    static HidDeviceInfo info();
    sim::SimulatedUnit& unit() { return m_unit; }

    // Plugged in devices are listed by the device change; plugging raises one.
    bool plugged() const { return m_unit.plugged(); }
    void plugIn();
    void unplug();

    TransportKind kind() const override { return TransportKind::UsbHid; }
    bool isOpen() const override { return m_unit.plugged(); }
    int outputReportLength(std::uint8_t) const override { return m_unit.reportLength(); }
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  signals:
    void reportReceived(const QByteArray& report);
    void pluggedChanged();

  private:
    sim::Millis now() const { return sim::Millis(m_clock.elapsed()); }
    void deliverDue();
    void scheduleNext();

    sim::SimulatedUnit m_unit;
    QElapsedTimer m_clock;
    QTimer m_answerTimer;
};

}  // namespace vt::devices
