// One client of the control service on a WebSocket: a JSON-RPC message per text frame each way,
// on the TCP connection whose handshake the listener completed. The frames are read here (a
// client that breaks the protocol is closed with the code that names how), not by a library
// that lets some of it pass.
#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include "service/client_channel.h"
#include "service/websocket_frames.h"

namespace vt::service {

// The largest message a client may send; a longer one, or a binary frame, drops the client.
inline constexpr qint64 kMaxWebSocketMessage = 64 * 1024;

// The address a client is known by: one that reached a dual-stack listener over IPv4 by its
// IPv4 address.
QHostAddress clientAddress(const QHostAddress& peer);

class WebSocketChannel : public ClientChannel {
    Q_OBJECT
  public:
    // Takes `socket`, connected, its request head read and the handshake answered; what the
    // client sent after its head is read as frames.
    explicit WebSocketChannel(QTcpSocket* socket, QObject* parent = nullptr);

    void sendMessage(const std::string& json) override;
    void close() override;
    QString peer() const override;
    bool remote() const override { return true; }
    qint64 queuedBytes() const override;

  private:
    void readFrames();
    // Sends a close frame and ends the connection once it is out (or after a moment).
    void closeWith(int code, const std::string& reason);
    void onDisconnected();

    QTcpSocket* m_socket;  // a child of this channel
    ws::FrameReader m_reader;
    QTimer m_closing;  // how long a closed connection waits for the client to take its end
    QString m_peer;    // kept from the start: the socket forgets its peer once it is closed
    bool m_closeSent = false;
    bool m_closed = false;
};

}  // namespace vt::service
