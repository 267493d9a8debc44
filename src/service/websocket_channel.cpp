// The WebSocket client channel: text frames in and out, anything else ends the connection.
#include "service/websocket_channel.h"

#include <QHostAddress>

namespace vt::service {
namespace {

// "ws 127.0.0.1:50312", "ws [::1]:50312".
QString describePeer(const QWebSocket& socket) {
    const QHostAddress address = clientAddress(socket.peerAddress());
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("ws %1:%2").arg(host).arg(socket.peerPort());
}

}  // namespace

QHostAddress clientAddress(const QHostAddress& peer) {
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4) : peer;
}

WebSocketChannel::WebSocketChannel(QWebSocket* socket, QObject* parent)
    : ClientChannel(parent), m_socket(socket), m_peer(describePeer(*socket)) {
    m_socket->setParent(this);
    m_socket->setMaxAllowedIncomingFrameSize(kMaxWebSocketMessage);
    m_socket->setMaxAllowedIncomingMessageSize(kMaxWebSocketMessage);
    connect(m_socket, &QWebSocket::textMessageReceived, this,
            [this](const QString& message) { emit messageReceived(message.toStdString()); });
    connect(m_socket, &QWebSocket::binaryFrameReceived, this, [this] {
        m_socket->close(QWebSocketProtocol::CloseCodeDatatypeNotSupported,
                        QStringLiteral("JSON-RPC messages are text frames"));
    });
    connect(m_socket, &QWebSocket::disconnected, this, &WebSocketChannel::onDisconnected);
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        QMetaObject::invokeMethod(this, &WebSocketChannel::onDisconnected, Qt::QueuedConnection);
}

void WebSocketChannel::sendMessage(const std::string& json) {
    if (m_closed) return;
    m_socket->sendTextMessage(QString::fromUtf8(json.data(), static_cast<qsizetype>(json.size())));
}

void WebSocketChannel::close() {
    m_socket->close();
}

qint64 WebSocketChannel::queuedBytes() const {
    return m_closed ? 0 : m_socket->bytesToWrite();
}

QString WebSocketChannel::peer() const {
    return m_peer;
}

void WebSocketChannel::onDisconnected() {
    if (m_closed) return;
    m_closed = true;
    emit closed();
    deleteLater();
}

}  // namespace vt::service
