// UART access on QSerialPort: 57600 baud 8N1, DTR and RTS on, no flow control. Incoming bytes go
// through the framer; a read or resource error closes the port once and is reported. The port's
// device file is locked before it is opened and for as long as it is open.
#pragma once

#include <QObject>
#include <QSerialPort>

#include "devices/unit_lock.h"
#include "link/transport.h"
#include "link/uart_framer.h"

namespace vt::devices {

class SerialPort : public QObject, public Transport {
    Q_OBJECT
  public:
    explicit SerialPort(QObject* parent = nullptr);

    static QStringList portNames();

    // The device file of a port name as QSerialPort finds it: "ttyUSB0" is /dev/ttyUSB0.
    static QString systemLocation(const QString& name);

    // False when the port cannot be opened; errorText() then says why, and ownedElsewhere()
    // whether another program holds it.
    bool openPort(const QString& name);
    QString errorText() const;
    bool ownedElsewhere() const { return m_lock.owned(); }
    long ownerPid() const { return m_lock.ownerPid(); }
    // Closes the port, then gives up its lock.
    void closePort();
    QString portName() const { return m_port.portName(); }
    // The device file of the port opened last (or refused).
    const QString& location() const { return m_location; }
    UartFramer& framer() { return m_framer; }

    TransportKind kind() const override { return TransportKind::Uart; }
    bool isOpen() const override { return m_port.isOpen(); }
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  signals:
    void frameReceived(const QByteArray& frame);
    void acknowledged();
    void portFailed(const QString& message);

  private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    // Declared first, so that it goes after the port has closed.
    UnitLock m_lock;
    QString m_location;
    QSerialPort m_port;
    UartFramer m_framer;
};

}  // namespace vt::devices
