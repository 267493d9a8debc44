// One client of the control service on a WebSocket: a JSON-RPC message per text frame each way.
#pragma once

#include <QHostAddress>
#include <QWebSocket>

#include "service/client_channel.h"

namespace vt::service {

// The largest message a client may send; a longer one, or a binary frame, drops the client.
inline constexpr qint64 kMaxWebSocketMessage = 64 * 1024;

// The address a client is known by: one that reached a dual-stack listener over IPv4 by its
// IPv4 address.
QHostAddress clientAddress(const QHostAddress& peer);

class WebSocketChannel : public ClientChannel {
    Q_OBJECT
  public:
    // Takes `socket`, connected and past the handshake.
    explicit WebSocketChannel(QWebSocket* socket, QObject* parent = nullptr);

    void sendMessage(const std::string& json) override;
    void close() override;
    QString peer() const override;
    bool remote() const override { return true; }
    qint64 queuedBytes() const override;

  private:
    void onDisconnected();

    QWebSocket* m_socket;  // a child of this channel
    QString m_peer;        // kept from the start: the socket forgets its peer once it is closed
    bool m_closed = false;
};

}  // namespace vt::service
