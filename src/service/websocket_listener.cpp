// The WebSocket listener: the upgrade request's head is read and checked on the TCP socket, the
// handshake answered, and the connection handed to a channel that reads its frames. A plain
// request is answered with a file of the web app.
#include "service/websocket_listener.h"

#include <QNetworkInterface>
#include <QTcpSocket>
#include <QTimer>

#include "service/access_token.h"
#include "service/descriptor_room.h"
#include "service/web_files.h"
#include "service/websocket_channel.h"

namespace vt::service {
namespace {

using namespace std::chrono_literals;

// After the system refused to hand over a connection (out of descriptors), taking them again.
constexpr std::chrono::milliseconds kAcceptPause = 200ms;
// How often the token file is looked at while clients are connected.
constexpr std::chrono::milliseconds kTokenWatch = 1000ms;

void drop(QTcpSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

// The origins of the service's own address: "http://127.0.0.1:8765", "http://localhost:8765" and,
// for a listener on every address, those of each address of this machine.
std::vector<std::string> ownOrigins(const QHostAddress& host, quint16 port) {
    QList<QHostAddress> addresses;
    const bool every =
        host == QHostAddress::Any || host == QHostAddress::AnyIPv4 || host == QHostAddress::AnyIPv6;
    if (every)
        addresses = QNetworkInterface::allAddresses();
    else
        addresses.append(host);
    std::vector<std::string> origins;
    const std::string suffix = ":" + std::to_string(port);
    bool loopback = false;
    for (const QHostAddress& address : addresses) {
        if (!address.scopeId().isEmpty()) continue;  // a link-local address is no page's origin
        const QHostAddress plain = clientAddress(address);
        loopback = loopback || plain.isLoopback();
        const std::string text = plain.protocol() == QAbstractSocket::IPv6Protocol
                                     ? "[" + plain.toString().toStdString() + "]"
                                     : plain.toString().toStdString();
        for (const char* scheme : {"http://", "https://"})
            origins.push_back(scheme + text + suffix);
    }
    if (loopback)
        for (const char* scheme : {"http://", "https://"})
            origins.push_back(std::string(scheme) + "localhost" + suffix);
    return origins;
}

}  // namespace

WebSocketListener::WebSocketListener(UpgradePolicy policy, QObject* parent)
    : QObject(parent), m_policy(std::move(policy)) {
    connect(&m_tcp, &QTcpServer::newConnection, this, &WebSocketListener::onTcpConnection);
    m_token = m_policy.token;
    m_tokenWatch.setInterval(kTokenWatch);
    connect(&m_tokenWatch, &QTimer::timeout, this, &WebSocketListener::followToken);
    connect(&m_tcp, &QTcpServer::acceptError, this, [this] {
        // The server has stopped taking connections; closed ones give their descriptors back.
        QTimer::singleShot(kAcceptPause, this, [this] { m_tcp.resumeAccepting(); });
    });
}

WebSocketListener::~WebSocketListener() {
    // The sockets go with the TCP server, after this listener's own part.
    for (QObject* socket : m_heads.keys()) disconnect(socket, nullptr, this, nullptr);
    for (const auto& [channel, token] : m_channels)
        if (channel) channel->close();
}

void WebSocketListener::followTokenFile(const std::string& path) {
    m_tokenFile = path;
    m_token = currentToken();
}

std::string WebSocketListener::currentToken() {
    if (m_tokenFile.empty()) return m_policy.token;
    // A file that is gone or refused holds no token: nobody gets in with the old one.
    return readToken(m_tokenFile).token;
}

void WebSocketListener::followToken() {
    m_channels.removeIf([](const auto& entry) { return entry.first.isNull(); });
    if (m_channels.isEmpty()) {
        m_tokenWatch.stop();
        return;
    }
    m_token = currentToken();
    for (const auto& [channel, token] : m_channels)
        if (m_token.empty() || !sameToken(m_token, token)) channel->close();
}

bool WebSocketListener::listen(const ListenAddress& at, QString& why) {
    if (!m_tcp.listen(at.host, at.port)) {
        why = m_tcp.errorString();
        return false;
    }
    // Pages of the service's own address are its own (the web app), and so is what a program
    // that puts the address it connects to in an Origin header says.
    for (const std::string& origin : ownOrigins(at.host, m_tcp.serverPort()))
        m_policy.allowedOrigins.push_back(origin);
    return true;
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
    if (!asksToUpgrade(head)) {
        // A request for a file of the web app: the files carry no secret and need no token. The
        // connection stays among those without a handshake, under their bounds and deadline,
        // until the answer has gone and the connection is closed.
        const std::string response = answerWebRequest(head, builtInWebFiles());
        socket->write(response.data(), static_cast<qint64>(response.size()));
        socket->disconnectFromHost();
        return;
    }
    UpgradePolicy policy = m_policy;
    policy.token = m_token = currentToken();
    UpgradeVerdict verdict = checkUpgradeRequest(head, policy);
    // With no token (the file is gone) nothing matches, the empty text included.
    if (policy.token.empty() && verdict == UpgradeVerdict::Accept)
        verdict = UpgradeVerdict::Unauthorized;
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
    const std::string response = switchingResponse(*key, chosenSubprotocol(head));
    socket->write(response.data(), static_cast<qint64>(response.size()));
    auto* channel = new WebSocketChannel(socket);
    m_channels.removeIf([](const auto& entry) { return entry.first.isNull(); });
    m_channels.append({channel, policy.token});
    if (!m_tokenFile.empty() && !m_tokenWatch.isActive()) m_tokenWatch.start();
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
