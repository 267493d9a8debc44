// The WebSocket listener: the upgrade request's head is read and checked on the TCP socket, the
// handshake answered, and the connection handed to a channel that reads its frames.
#include "service/websocket_listener.h"

#include <QTcpSocket>
#include <QTimer>

#include "service/descriptor_room.h"
#include "service/websocket_channel.h"

namespace vt::service {
namespace {

using namespace std::chrono_literals;

// After the system refused to hand over a connection (out of descriptors), taking them again.
constexpr std::chrono::milliseconds kAcceptPause = 200ms;

void drop(QTcpSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

}  // namespace

WebSocketListener::WebSocketListener(UpgradePolicy policy, QObject* parent)
    : QObject(parent), m_policy(std::move(policy)) {
    connect(&m_tcp, &QTcpServer::newConnection, this, &WebSocketListener::onTcpConnection);
    connect(&m_tcp, &QTcpServer::acceptError, this, [this] {
        // The server has stopped taking connections; closed ones give their descriptors back.
        QTimer::singleShot(kAcceptPause, this, [this] { m_tcp.resumeAccepting(); });
    });
}

WebSocketListener::~WebSocketListener() {
    // The sockets go with the TCP server, after this listener's own part.
    for (QObject* socket : m_heads.keys()) disconnect(socket, nullptr, this, nullptr);
    for (const QPointer<ClientChannel>& channel : m_channels)
        if (channel) channel->close();
}

bool WebSocketListener::listen(const ListenAddress& at, QString& why) {
    if (m_tcp.listen(at.host, at.port)) return true;
    why = m_tcp.errorString();
    return false;
}

void WebSocketListener::onTcpConnection() {
    while (QTcpSocket* socket = m_tcp.nextPendingConnection()) {
        const QHostAddress from = clientAddress(socket->peerAddress());
        if (m_heads.size() >= kMaxHalfOpen || m_headsFrom.value(from) >= kMaxHalfOpenPerAddress ||
            descriptorsLeft() < kDescriptorReserve) {
            drop(socket);
            continue;
        }
        holdHead(socket, from);
        // A head that does not fit stops the reading; the socket holds no more than that.
        socket->setReadBufferSize(kMaxRequestHead);
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] { drop(socket); });
        deadline->start(m_headTime);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { examineHead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) examineHead(socket);
    }
}

void WebSocketListener::examineHead(QTcpSocket* socket) {
    static constexpr char kEndOfHead[] = "\r\n\r\n";
    const QByteArray seen = socket->peek(kMaxRequestHead);
    const qsizetype end = seen.indexOf(kEndOfHead);
    if (end < 0) {
        if (seen.size() >= kMaxRequestHead) drop(socket);
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const std::string_view head(seen.constData(), static_cast<std::size_t>(end) + 2);
    const UpgradeVerdict verdict = checkUpgradeRequest(head, m_policy);
    const std::optional<std::string> key =
        verdict == UpgradeVerdict::Accept ? webSocketKey(head) : std::nullopt;
    if (!key) {
        // The deadline stays: a client that does not take the answer is dropped all the same.
        const std::string response =
            verdict != UpgradeVerdict::Accept ? refusalResponse(verdict) : notWebSocketResponse();
        socket->write(response.data(), static_cast<qint64>(response.size()));
        socket->disconnectFromHost();
        return;
    }
    // The head is taken off the socket; what follows it is the client's first frames.
    socket->read(end + 4);
    delete socket->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    releaseHead(socket);
    disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    const std::string response = switchingResponse(*key);
    socket->write(response.data(), static_cast<qint64>(response.size()));
    auto* channel = new WebSocketChannel(socket);
    m_channels.removeAll(nullptr);
    m_channels.append(channel);
    emit clientConnected(channel);
}

void WebSocketListener::holdHead(QTcpSocket* socket, const QHostAddress& from) {
    m_heads.insert(socket, from);
    ++m_headsFrom[from];
    connect(socket, &QObject::destroyed, this, &WebSocketListener::releaseHead);
}

void WebSocketListener::releaseHead(QObject* socket) {
    const auto at = m_heads.constFind(socket);
    if (at == m_heads.cend()) return;
    disconnect(socket, &QObject::destroyed, this, &WebSocketListener::releaseHead);
    if (--m_headsFrom[*at] <= 0) m_headsFrom.remove(*at);
    m_heads.erase(at);
}

}  // namespace vt::service
