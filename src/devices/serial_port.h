// UART access on QSerialPort: 57600 baud 8N1, DTR and RTS on, no flow control. Incoming bytes go
// through the framer; a read or resource error closes the port once and is reported.
#pragma once

#include <QObject>
#include <QSerialPort>

#include "link/transport.h"
#include "link/uart_framer.h"

namespace vt::devices {

class SerialPort : public QObject, public Transport {
    Q_OBJECT
  public:
    explicit SerialPort(QObject* parent = nullptr);

    static QStringList portNames();

    // False when the port cannot be opened; errorText() then says why.
    bool openPort(const QString& name);
    QString errorText() const { return m_port.errorString(); }
    void closePort();
    QString portName() const { return m_port.portName(); }
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

    QSerialPort m_port;
    UartFramer m_framer;
};

}  // namespace vt::devices
