// Serial port settings, reading into the framer and error handling.
#include "devices/serial_port.h"

#include <QSerialPortInfo>

namespace vt::devices {

SerialPort::SerialPort(QObject* parent) : QObject(parent) {
    m_framer.setFrameHandler([this](const std::vector<std::uint8_t>& f) {
        emit frameReceived(
            QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size())));
    });
    m_framer.setAckHandler([this] { emit acknowledged(); });
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

QStringList SerialPort::portNames() {
    QStringList names;
    for (const auto& info : QSerialPortInfo::availablePorts()) names << info.portName();
    return names;
}

QString SerialPort::systemLocation(const QString& name) {
    if (name.startsWith('/') || name.startsWith("./") || name.startsWith("../")) return name;
    return "/dev/" + name;
}

bool SerialPort::openPort(const QString& name) {
    closePort();
    m_port.setPortName(name);
    // The lock comes first: a port that another program owns is not opened at all. QSerialPort
    // itself keeps a lock file for the port and opens it for exclusive use (TIOCEXCL, undone when
    // it closes); the lock here is on the device file and adds the owner's pid, which neither
    // gives. Root passes TIOCEXCL, not the lock.
    m_location = systemLocation(name);
    m_lock = UnitLock::take(m_location.toStdString());
    if (!m_lock.held()) return false;
    m_port.setBaudRate(QSerialPort::Baud57600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lock.release();
        return false;
    }
    // Ports without modem lines (pseudo-terminals, some USB bridges) refuse DTR and RTS; the
    // link works without them, so that refusal is not a port failure.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.clearError();
    m_framer.reset();
    return true;
}

QString SerialPort::errorText() const {
    if (m_lock.owned())
        return QString::fromStdString(unitInUseText(m_location.toStdString(), m_lock.ownerPid()));
    if (m_lock.state() == UnitLock::State::Failed) return QString::fromStdString(m_lock.failure());
    return m_port.errorString();
}

void SerialPort::closePort() {
    if (m_port.isOpen()) m_port.close();
    m_lock.release();
}

WriteResult SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!m_port.isOpen()) return {false, 0, "port not open"};
    const auto n = m_port.write(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size()))
        return {false, static_cast<std::uint32_t>(m_port.error()),
                m_port.errorString().toStdString()};
    return {};
}

void SerialPort::onReadyRead() {
    const QByteArray bytes = m_port.readAll();
    m_framer.ComPortRxChar(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size())));
}

void SerialPort::onError(QSerialPort::SerialPortError error) {
    // Only a failed read or a vanished device ends the port; a refused setting or a failed write
    // leaves it open (a failed write is reported to the link by write()).
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    if (!m_port.isOpen()) return;
    const QString message = m_port.errorString();
    // Close once and report; a port that went away must not keep raising errors.
    m_port.clearError();
    closePort();
    emit portFailed(message);
}

}  // namespace vt::devices
