// The transports put to work for the link: lists the HID devices on every device change, selects
// the unit and hands its reports to the link; or, on UART, scans the serial ports and frames the
// byte stream. Reports from any device but the selected one are ignored.
#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "capture/capture_tap.h"
#include "devices/unit_lock.h"
#include "link/device_list.h"
#include "link/link.h"

namespace vt::devices {

class HidDevice;
class Hotplug;
class SerialPort;
class SimulatedDevice;

struct HubOptions {
    TransportKind transport = TransportKind::UsbHid;
    QString port;            // UART: the port listed first
    QStringList extraPorts;  // UART: listed next, before the system's ports (for tests)
    bool simulate = false;   // list the simulated unit beside the real devices
    // The unit's node (a hidraw node, or with UART a serial port) chosen by the user: used
    // instead of searching, and the only device listed.
    QString devicePath;
    // Listed after the enumerated devices and the simulated unit: lets tests present devices
    // that cannot be plugged into the machine running them.
    std::function<std::vector<HidDeviceInfo>()> extraDevices;
    // USB only: every report written to the unit in use and received from it is recorded here
    // (a serial line carries no reports).
    std::shared_ptr<capture::PcapngWriter> capture;
    // A unit that another program owns is tried again this often until it is free (the
    // window); zero: it is not (the command-line program gives up).
    std::chrono::milliseconds ownerRetry{0};
};

class DeviceHub : public QObject {
    Q_OBJECT
  public:
    DeviceHub(Link& link, HubOptions options, QObject* parent = nullptr);
    ~DeviceHub() override;

    // Raises the first device change shortly after start-up (HID), or starts the port scan (UART).
    void start();

    // Rebuilds the device list and selects the unit.
    void HidCtlDeviceChange();

    // Every present HID device with the unit's vendor ID, in list order, the simulated unit
    // included when it is plugged in.
    std::vector<HidDeviceInfo> presentDevices() const;
    // The system's serial ports, the one named by the options first.
    QStringList portList() const;

    const DeviceListing& listing() const { return m_listing; }
    SimulatedDevice* simulated() const { return m_simulated; }
    const QStringList& serialPorts() const { return m_ports; }
    Transport* currentDevice() const { return m_current; }

  signals:
    void deviceLinesChanged(const QStringList& lines, int selected);
    void serialPortsChanged(const QStringList& ports);
    // The unit is listed but cannot be opened: why, and how to fix it. Raised once per device.
    void accessDenied(const QString& hint, const QString& message);
    // The unit at `path` (a hidraw node, or the serial port named by the options) is owned by
    // another program, `pid` when known (else -1); `message` says so. Nothing was written to
    // it. Raised when the unit is first found owned and again when its owner changes; after a
    // unit has been taken, afresh.
    void unitOwned(const QString& path, const QString& message, qint64 pid);

  private:
    void select(const HidDeviceInfo& unit);
    void deselect();
    void releaseHid();
    // Locks the unit's node and opens it; m_hid stays empty when the lock is not held.
    void openHid(const HidDeviceInfo& unit);
    // Says that the unit at `path` is owned (once per owner), and with the retry option tries
    // again later through `retry`.
    void refuseOwned(const QString& path, long pid, std::function<void()> retry);
    void startSerialScan();
    void deliver(const Transport* source, const QByteArray& report);
    // The link writes to `device`, through the capture when there is one.
    void useTransport(Transport* device, const capture::UsbAddress& address);
    void serialScanStep();
    void serialPortFailed(const QString& why);
    // The history line of one port of the scan and, once its outcome is `final`, its entry in
    // the list of ports tried.
    void notePort(const QString& port, const QString& outcome, bool final);

    Link& m_link;
    HubOptions m_options;
    Hotplug* m_hotplug = nullptr;
    SimulatedDevice* m_simulated = nullptr;
    std::unique_ptr<HidDevice> m_hid;            // the open unit, when it is a real device
    UnitLock m_hidLock;                          // held while m_hid is the open unit
    Transport* m_current = nullptr;              // CurrentDevice and the receive filter
    std::unique_ptr<capture::CaptureTap> m_tap;  // between the link and m_current, when recording
    DeviceListing m_listing;
    QSet<QString> m_deniedReported;
    QString m_ownedReported;  // the last message of unitOwned, until a unit is taken
    QTimer m_ownerRetry;      // single shot: the owned unit is tried again
    std::function<void()> m_retryOwned;

    SerialPort* m_serial = nullptr;
    QStringList m_ports;
    int m_scanNext = 0;
    bool m_unitAnswered = false;  // on this port, since it was opened by the scan
    QStringList m_tried;          // "port (outcome)" for each port of the current scan
};

}  // namespace vt::devices
