// Line framing on the local socket, on its descriptor.
#include "service/line_channel.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "service/rpc_protocol.h"

namespace vt::service {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kLingerMs = 2000;

QString peerOf(int fd) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0)
        return QString("local pid %1").arg(cred.pid);
    return "local";
}

}  // namespace

LineChannel::LineChannel(int fd, int stallMs, QObject* parent)
    : ClientChannel(parent),
      m_fd(fd),
      m_readable(fd, QSocketNotifier::Read),
      m_writable(fd, QSocketNotifier::Write),
      m_peer(peerOf(fd)) {
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    m_writable.setEnabled(false);
    m_stall.setSingleShot(true);
    m_stall.setInterval(stallMs);
    m_linger.setSingleShot(true);
    m_linger.setInterval(kLingerMs);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        m_out.clear();
        m_outStart = 0;
        close();
    });
    connect(&m_linger, &QTimer::timeout, this, &LineChannel::ended);
    connect(&m_readable, &QSocketNotifier::activated, this, &LineChannel::readLines);
    connect(&m_writable, &QSocketNotifier::activated, this, &LineChannel::writeQueued);
}

LineChannel::~LineChannel() {
    if (m_fd >= 0) ::close(m_fd);
}

void LineChannel::sendMessage(const std::string& json) {
    if (m_closed || m_closing) return;
    if (m_outStart == m_out.size()) {
        m_out.clear();
        m_outStart = 0;
    }
    m_out += json;
    m_out += '\n';
    writeQueued();
}

void LineChannel::writeQueued() {
    while (!m_closed && m_outStart < m_out.size()) {
        const ssize_t n =
            ::send(m_fd, m_out.data() + m_outStart, m_out.size() - m_outStart, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {  // the client went away
            ended();
            return;
        }
        m_outStart += static_cast<std::size_t>(n);
    }
    if (m_closed) return;
    const bool pending = m_outStart < m_out.size();
    if (!pending) {
        // Memory of a large answer goes back once it is out.
        std::string().swap(m_out);
        m_outStart = 0;
    }
    m_writable.setEnabled(pending);
    if (!pending && m_closing) drain();
}

void LineChannel::drain() {
    // Our side is done; the client's may still be sending (a request written before it read
    // that it was refused). Closing now would reset the connection and could lose our last
    // answer on its way: it is closed when the client ends its side, or after the linger time.
    if (m_draining) return;
    m_draining = true;
    ::shutdown(m_fd, SHUT_WR);
    if (!m_linger.isActive()) m_linger.start();
    m_readable.setEnabled(true);
}

void LineChannel::close() {
    if (m_closed || m_closing) return;
    m_closing = true;
    m_stall.stop();
    m_readable.setEnabled(false);
    m_linger.start();
    writeQueued();
}

void LineChannel::ended() {
    if (m_closed) return;
    m_closed = true;
    m_stall.stop();
    m_linger.stop();
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    std::string().swap(m_out);
    emit closed();
    deleteLater();
}

void LineChannel::takeLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t\r") != std::string::npos) emit messageReceived(line);
}

void LineChannel::readLines() {
    char chunk[kReadChunk];
    if (m_draining) {
        ssize_t n = 0;
        while ((n = ::recv(m_fd, chunk, sizeof chunk, 0)) > 0) {
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) ended();
        return;
    }
    bool endOfInput = false;
    while (!m_closed && !m_closing) {
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n < 0) {
            ended();
            return;
        }
        if (n == 0) {
            endOfInput = true;
            break;
        }
        m_partial.append(chunk, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t end = m_partial.find('\n'); end != std::string::npos;
             end = m_partial.find('\n', start)) {
            if (end - start > kMaxMessageBytes) {
                close();
                return;
            }
            takeLine(m_partial.substr(start, end - start));
            start = end + 1;
            if (m_closed || m_closing) return;
        }
        m_partial.erase(0, start);
        if (m_partial.size() > kMaxMessageBytes) {
            close();
            return;
        }
    }
    if (m_closed || m_closing) return;
    if (endOfInput) {
        // What came before the end is answered; an unfinished last line counts as a line.
        m_readable.setEnabled(false);
        m_stall.stop();
        std::string last;
        last.swap(m_partial);
        takeLine(std::move(last));
        if (!m_closed && !m_closing) emit inputEnded();
        return;
    }
    if (m_partial.empty())
        m_stall.stop();
    else if (!m_stall.isActive())
        m_stall.start();
}

}  // namespace vt::service
