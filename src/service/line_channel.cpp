// Line framing on the local socket.
#include "service/line_channel.h"

#include <sys/socket.h>

#include <QLocalSocket>

#include "service/rpc_protocol.h"

namespace vt::service {
namespace {

QString peerOf(QLocalSocket* socket) {
    ucred cred{};
    socklen_t size = sizeof cred;
    const auto fd = socket->socketDescriptor();
    if (fd >= 0 && getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0)
        return QString("local pid %1").arg(cred.pid);
    return "local";
}

}  // namespace

LineChannel::LineChannel(QLocalSocket* socket, int stallMs, QObject* parent)
    : ClientChannel(parent), m_socket(socket), m_peer(peerOf(socket)) {
    m_socket->setParent(this);
    m_stall.setSingleShot(true);
    m_stall.setInterval(stallMs);
    connect(&m_stall, &QTimer::timeout, this, &LineChannel::close);
    connect(m_socket, &QLocalSocket::readyRead, this, &LineChannel::readLines);
    connect(m_socket, &QLocalSocket::disconnected, this, &LineChannel::ended);
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (e != QLocalSocket::SocketTimeoutError) ended();
    });
    if (m_socket->bytesAvailable() > 0) QTimer::singleShot(0, this, &LineChannel::readLines);
}

void LineChannel::sendMessage(const std::string& json) {
    if (m_closed) return;
    m_socket->write(json.data(), static_cast<qint64>(json.size()));
    m_socket->write("\n", 1);
}

void LineChannel::close() {
    if (m_closed) return;
    m_socket->flush();
    m_socket->disconnectFromServer();
    ended();
}

void LineChannel::ended() {
    if (m_closed) return;
    m_closed = true;
    m_stall.stop();
    emit closed();
    deleteLater();
}

void LineChannel::readLines() {
    while (!m_closed && m_socket->bytesAvailable() > 0) {
        m_partial += m_socket->read(64 * 1024);
        qsizetype start = 0;
        for (qsizetype end = m_partial.indexOf('\n'); end >= 0;
             end = m_partial.indexOf('\n', start)) {
            QByteArray line = m_partial.mid(start, end - start);
            start = end + 1;
            if (line.endsWith('\r')) line.chop(1);
            if (static_cast<std::size_t>(line.size()) > kMaxMessageBytes) {
                close();
                return;
            }
            if (!line.trimmed().isEmpty()) emit messageReceived(line.toStdString());
            if (m_closed) return;
        }
        m_partial.remove(0, start);
        if (static_cast<std::size_t>(m_partial.size()) > kMaxMessageBytes) {
            close();
            return;
        }
    }
    if (m_partial.isEmpty())
        m_stall.stop();
    else if (!m_stall.isActive())
        m_stall.start();
}

}  // namespace vt::service
