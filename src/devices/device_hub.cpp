// Device changes, unit selection, report delivery and the serial port scan.
#include "devices/device_hub.h"

#include <QFileInfo>
#include <QTime>
#include <chrono>
#include <utility>

#include "devices/hid_access.h"
#include "devices/hotplug.h"
#include "devices/serial_port.h"
#include "devices/simulated_device.h"
#include "devices/usb_address.h"
#include "link/link_texts.h"

namespace vt::devices {
namespace {

constexpr const char* kAccessHint =
    "The unit is plugged in but this user may not open it. Run 'vortella-cli doctor': it says why "
    "(no udev rule, a login without a seat, another program holding the unit) and the command "
    "that fixes it.";

std::span<const std::uint8_t> bytesOf(const QByteArray& a) {
    return {reinterpret_cast<const std::uint8_t*>(a.constData()),
            static_cast<std::size_t>(a.size())};
}

}  // namespace

DeviceHub::DeviceHub(Link& link, HubOptions options, QObject* parent)
    : QObject(parent), m_link(link), m_options(std::move(options)) {
    m_link.setTimeOfDay([] {
        const QTime t = QTime::currentTime();
        return TimeOfDay{t.hour(), t.minute(), t.second(), t.msec()};
    });
    m_ownerRetry.setSingleShot(true);
    connect(&m_ownerRetry, &QTimer::timeout, this, [this] {
        // A retry may find the unit owned again and set the next one.
        const auto retry = std::exchange(m_retryOwned, {});
        if (retry && m_link.linkState() == kNoDevice) retry();
    });
    if (m_options.transport == TransportKind::Uart) {
        m_serial = new SerialPort(this);
        connect(m_serial, &SerialPort::frameReceived, this,
                [this](const QByteArray& f) { m_link.uartFrameReceived(bytesOf(f)); });
        connect(m_serial, &SerialPort::acknowledged, this, [this] {
            m_unitAnswered = true;
            m_tried.clear();  // a scan after a later loss lists only its own ports
            m_link.uartAcknowledged();
        });
        connect(m_serial, &SerialPort::portFailed, this, &DeviceHub::serialPortFailed);
        m_link.setTransport(m_serial);
        m_link.setSerialScan([this] { serialScanStep(); });
        return;
    }
    if (m_options.capture) {
        m_tap = std::make_unique<capture::CaptureTap>(*m_options.capture, [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        });
        m_tap->setFailureHandler(
            [this](const std::string& why) { m_link.addToHistory("Capture stopped: " + why); });
    }
    m_hotplug = new Hotplug(this);
    connect(m_hotplug, &Hotplug::devicesChanged, this, &DeviceHub::HidCtlDeviceChange);
    if (m_options.simulate) {
        m_simulated = new SimulatedDevice(this);
        connect(m_simulated, &SimulatedDevice::reportReceived, this,
                [this](const QByteArray& r) { deliver(m_simulated, r); });
        connect(m_simulated, &SimulatedDevice::pluggedChanged, this,
                &DeviceHub::HidCtlDeviceChange);
    }
}

DeviceHub::~DeviceHub() {
    m_link.setTransport(nullptr);
    m_link.setSerialScan({});
}

void DeviceHub::start() {
    if (m_hotplug) {
        m_hotplug->start();
        return;
    }
    m_ports = portList();
    emit serialPortsChanged(m_ports);
    startSerialScan();
}

void DeviceHub::startSerialScan() {
    m_scanNext = 0;
    m_tried.clear();
    m_link.ShowLinkStatus(1, {});
    m_link.LinkBtnClick();
}

std::vector<HidDeviceInfo> DeviceHub::presentDevices() const {
    if (!m_options.devicePath.isEmpty()) {
        // The node the user named is the unit while it exists; nothing else is looked at.
        if (!QFileInfo::exists(m_options.devicePath)) return {};
        return {{m_options.devicePath.toStdString(), kUnitVendorId, kUnitProductId,
                 "Unit at " + m_options.devicePath.toStdString(), ""}};
    }
    std::vector<HidDeviceInfo> present = enumerateHidDevices();
    if (m_simulated && m_simulated->plugged()) present.push_back(SimulatedDevice::info());
    if (m_options.extraDevices)
        for (HidDeviceInfo& d : m_options.extraDevices()) present.push_back(std::move(d));
    return present;
}

QStringList DeviceHub::portList() const {
    if (!m_options.devicePath.isEmpty()) return {m_options.devicePath};
    QStringList ports = SerialPort::portNames();
    QStringList first = m_options.extraPorts;
    if (!m_options.port.isEmpty()) first.prepend(m_options.port);
    for (const QString& p : first) ports.removeAll(p);
    return first + ports;
}

void DeviceHub::HidCtlDeviceChange() {
    DeviceListing listing = vt::HidCtlDeviceChange(presentDevices());

    for (const auto& old : m_listing.devices) {
        const bool still = std::any_of(listing.devices.begin(), listing.devices.end(),
                                       [&](const HidDeviceInfo& d) { return d.path == old.path; });
        if (!still) m_link.addToHistory("Removal of " + DeviceName(old));
    }
    m_listing = std::move(listing);
    QStringList lines;
    for (const auto& l : m_listing.lines) lines << QString::fromStdString(l);
    emit deviceLinesChanged(lines, lines.isEmpty() ? -1 : 0);

    if (m_listing.unit >= 0)
        select(m_listing.devices[static_cast<std::size_t>(m_listing.unit)]);
    else
        deselect();
}

void DeviceHub::select(const HidDeviceInfo& unit) {
    m_ownerRetry.stop();
    Transport* transport = nullptr;
    capture::UsbAddress address;
    if (unit.path == kSimulatedPath && m_simulated) {
        releaseHid();
        transport = m_simulated;
    } else {
        // A device whose reader stopped on a read error is dead even if its path came back.
        if (!m_hid || m_hid->info().path != unit.path || m_hid->readerStopped()) {
            releaseHid();
            openHid(unit);
            if (m_hidLock.owned()) {
                const long pid = m_hidLock.ownerPid();
                deselect();
                refuseOwned(QString::fromStdString(unit.path), pid, [this, unit] { select(unit); });
                return;
            }
        }
        if (!m_hid || !m_hid->isOpen()) {
            const QString path = QString::fromStdString(unit.path);
            deselect();
            if (!m_deniedReported.contains(path)) {
                m_deniedReported.insert(path);
                emit accessDenied(
                    kAccessHint,
                    QString("The unit at %1 cannot be opened.\n\n%2").arg(path, kAccessHint));
            }
            return;
        }
        transport = m_hid.get();
        address = usbAddressOf(unit.path).value_or(address);
    }
    m_ownedReported.clear();
    useTransport(transport, address);
    m_link.ShowLinkStatus(1, {});
    m_link.LinkBtnClick();
}

void DeviceHub::openHid(const HidDeviceInfo& unit) {
    // Locked before hidapi opens it: the unit is never open here without the lock, and a unit
    // that another program owns is not opened at all. (The lock has a descriptor of its own;
    // flock locks the node for every descriptor of this program's.)
    m_hidLock = UnitLock::take(unit.path);
    if (!m_hidLock.held()) return;
    m_hid = std::make_unique<HidDevice>(unit);
    HidDevice* device = m_hid.get();
    if (!device->lengthNote().empty()) m_link.addToHistory(device->lengthNote());
    connect(device, &HidDevice::reportReceived, this,
            [this, device](const QByteArray& r) { deliver(device, r); });
    connect(device, &HidDevice::readError, this, [this](const QString& text, quint32 code) {
        m_link.addToHistory("READ ERROR: " + text.toStdString() + " (" +
                            QString::number(code, 16).toUpper().toStdString() + ")");
    });
}

void DeviceHub::refuseOwned(const QString& path, long pid, std::function<void()> retry) {
    if (m_options.ownerRetry.count() > 0) {
        m_retryOwned = std::move(retry);
        m_ownerRetry.start(m_options.ownerRetry);
    }
    const QString message = QString::fromStdString(unitInUseText(path.toStdString(), pid));
    if (message == m_ownedReported) return;  // the same owner, found again by a retry
    m_ownedReported = message;
    m_link.addToHistory("Not opened: " + message.toStdString());
    emit unitOwned(path, message, pid);
}

void DeviceHub::useTransport(Transport* device, const capture::UsbAddress& address) {
    m_current = device;
    if (m_tap) m_tap->attach(device, address);
    m_link.setTransport(m_tap && device ? m_tap.get() : device);
}

void DeviceHub::deselect() {
    m_ownerRetry.stop();
    releaseHid();
    m_link.ShowLinkStatus(0, texts::kOffline);
}

void DeviceHub::releaseHid() {
    if (m_current == m_hid.get()) useTransport(nullptr, {});
    // The unit is free for other programs from here: nothing is written to the old device any
    // more, though its handles close a moment later.
    m_hidLock.release();
    if (!m_hid) return;
    // A device change can run inside one of this device's own report deliveries (a message box
    // opened by the parser runs an event loop): stop its signals now and delete it later.
    m_hid->disconnect(this);
    HidDevice* old = m_hid.release();
    old->setParent(this);  // deleted with the hub if the event loop ends first
    old->deleteLater();
}

void DeviceHub::deliver(const Transport* source, const QByteArray& report) {
    if (source != m_current) return;
    if (m_tap) m_tap->received(bytesOf(report));
    m_link.ParseDeviceFrame(bytesOf(report));
}

void DeviceHub::notePort(const QString& port, const QString& outcome, bool final) {
    if (final) m_tried << port + " (" + outcome + ")";
    m_link.addToHistory(("UART port " + port + ": " + outcome).toStdString());
}

void DeviceHub::serialScanStep() {
    if (m_scanNext > m_ports.size() || m_ports.isEmpty()) {
        m_link.addToHistory(
            ("UART ports tried: " + (m_tried.isEmpty() ? QString("none") : m_tried.join(", ")))
                .toStdString());
        m_tried.clear();
        m_scanNext = 0;
        m_link.DisCheckWindow(9);
        return;
    }
    if (m_serial->isOpen()) {
        m_serial->closePort();
        notePort(m_serial->portName(), "no answer", true);
    }
    m_unitAnswered = false;
    // A port that does not open is named with the reason, and the next one is tried at once.
    while (m_scanNext < m_ports.size()) {
        const QString name = m_ports[m_scanNext++];
        if (m_serial->openPort(name)) {
            m_ownerRetry.stop();
            m_ownedReported.clear();
            notePort(name, "opened, waiting for the unit", false);
            m_link.writer().PCtoMCUAckSign(link::kSignStart);  // sends nothing on UART
            return;
        }
        if (m_serial->ownedElsewhere() &&
            (name == m_options.devicePath || name == m_options.port)) {
            // The port the user named is owned by another program: the unit is there, so the
            // scan stops rather than go on to ports nobody asked for.
            m_scanNext = 0;
            m_tried.clear();
            m_link.ShowLinkStatus(0, texts::kOffline);
            refuseOwned(m_serial->location(), m_serial->ownerPid(), [this] { startSerialScan(); });
            return;
        }
        notePort(name, "not opened: " + m_serial->errorText(), true);
    }
    ++m_scanNext;  // past the end: the next tick ends the scan
}

void DeviceHub::serialPortFailed(const QString& why) {
    const QString port = m_serial->portName();
    if (!m_unitAnswered) {
        // The scan's port failed before the unit answered: the next tick tries the next port.
        notePort(port, "failed: " + why, true);
        return;
    }
    m_link.addToHistory(("READ ERROR: " + port + ": " + why + " (0)").toStdString());
    m_link.ShowLinkStatus(0, texts::kOffline);
}

}  // namespace vt::devices
