// The WebSocket client channel: text frames in and out, pings answered, anything else ends the
// connection with its close code.
#include "service/websocket_channel.h"

namespace vt::service {
namespace {

constexpr int kClosingMs = 2000;

// "ws 127.0.0.1:50312", "ws [::1]:50312".
QString describePeer(const QTcpSocket& socket) {
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

WebSocketChannel::WebSocketChannel(QTcpSocket* socket, QObject* parent)
    : ClientChannel(parent),
      m_socket(socket),
      m_reader(static_cast<std::size_t>(kMaxWebSocketMessage)),
      m_peer(describePeer(*socket)) {
    m_socket->setParent(this);
    // What is buffered here stays within one message and its frame header.
    m_socket->setReadBufferSize(kMaxWebSocketMessage + 16);
    m_closing.setSingleShot(true);
    m_closing.setInterval(kClosingMs);
    connect(&m_closing, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    connect(m_socket, &QTcpSocket::readyRead, this, &WebSocketChannel::readFrames);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_closeSent && m_socket->bytesToWrite() == 0) m_socket->disconnectFromHost();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &WebSocketChannel::onDisconnected);
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        QMetaObject::invokeMethod(this, &WebSocketChannel::onDisconnected, Qt::QueuedConnection);
    else if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &WebSocketChannel::readFrames, Qt::QueuedConnection);
}

void WebSocketChannel::readFrames() {
    while (!m_closed && !m_closeSent && m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->read(kMaxWebSocketMessage);
        m_reader.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (auto event = m_reader.next()) {
            switch (event->kind) {
                case ws::Event::Kind::Text:
                    emit messageReceived(event->payload);
                    break;
                case ws::Event::Kind::Ping:
                    // A client that pings and never reads gets no pile of pongs: an answer to
                    // the latest ping is all a peer is owed, and one still queued stands for it.
                    if (m_socket->bytesToWrite() < kMaxWebSocketMessage)
                        m_socket->write(QByteArray::fromStdString(
                            ws::encodeFrame(ws::Opcode::Pong, event->payload)));
                    break;
                case ws::Event::Kind::Pong:
                    break;
                case ws::Event::Kind::Close:
                    closeWith(event->code == 1005 ? ws::kCloseNormal : event->code, {});
                    return;
                case ws::Event::Kind::Fail:
                    closeWith(event->code, event->reason);
                    return;
            }
            if (m_closed || m_closeSent) return;
        }
    }
}

void WebSocketChannel::sendMessage(const std::string& json) {
    if (m_closed || m_closeSent) return;
    m_socket->write(QByteArray::fromStdString(ws::encodeFrame(ws::Opcode::Text, json)));
}

void WebSocketChannel::closeWith(int code, const std::string& reason) {
    if (m_closed || m_closeSent) return;
    m_closeSent = true;
    m_socket->write(QByteArray::fromStdString(
        ws::encodeFrame(ws::Opcode::Close, ws::closePayload(code, reason))));
    m_closing.start();
    if (m_socket->bytesToWrite() == 0) m_socket->disconnectFromHost();
}

void WebSocketChannel::close() {
    closeWith(ws::kCloseNormal, {});
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
    m_closing.stop();
    emit closed();
    deleteLater();
}

}  // namespace vt::service
