// Requests and notifications of a client of the control service, one JSON-RPC message per line.
#include "service/control_client.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTimer>
#include <cstring>

#include "service/line_channel.h"

namespace vt::service {
namespace {

RpcIncoming failure(std::string_view why) {
    RpcIncoming answer;
    answer.code = kUnitFailed;
    answer.message = std::string(why);
    return answer;
}

}  // namespace

ControlClient::ControlClient(QObject* parent) : QObject(parent) {}

ControlClient::~ControlClient() {
    if (m_pendingFd >= 0) ::close(m_pendingFd);
    if (m_channel) {
        m_channel->disconnect(this);
        m_channel->close();  // what was written still goes out
    }
}

void ControlClient::open(const std::string& socketPath) {
    if (m_connecting || m_channel) return;
    m_connecting = true;
    // A local socket connects at once or not at all; either way it is reported from the event
    // loop, as a connection that works is.
    int fd = -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 &&
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    m_pendingFd = fd;
    QTimer::singleShot(0, this, [this, fd] {
        m_connecting = false;
        m_pendingFd = -1;
        if (fd < 0) {
            ended();
            return;
        }
        // The channel frames the lines; the owner's answers are no larger than its clients'
        // requests.
        attach(new LineChannel(fd, 30000));
    });
}

void ControlClient::attach(ClientChannel* channel) {
    if (m_channel) return;
    m_channel = channel;
    m_channel->setParent(this);
    connect(m_channel, &ClientChannel::messageReceived, this, &ControlClient::received);
    connect(m_channel, &ClientChannel::closed, this, [this] {
        m_channel = nullptr;
        ended();
    });
    // The owner ended the connection: nothing more will be answered.
    connect(m_channel, &ClientChannel::inputEnded, m_channel, &ClientChannel::close);
    emit opened();
}

void ControlClient::call(std::string_view method, const Json& params, Reply reply) {
    if (!m_channel) {
        if (reply)
            QTimer::singleShot(0, this, [reply = std::move(reply)] { reply(failure(kOwnerGone)); });
        return;
    }
    const int id = m_nextId++;
    m_replies[id] = std::move(reply);
    m_channel->sendMessage(requestMessage(id, method, params));
}

void ControlClient::close() {
    if (m_channel) m_channel->close();
}

void ControlClient::received(const std::string& text) {
    const auto incoming = parseIncoming(text);
    if (!incoming) return;
    if (incoming->notification) {
        emit notification(incoming->method, incoming->params);
        return;
    }
    if (!incoming->id.is_number_integer()) return;
    const auto it = m_replies.find(incoming->id.get<int>());
    if (it == m_replies.end()) return;
    Reply reply = std::move(it->second);
    m_replies.erase(it);
    if (reply) reply(*incoming);
}

void ControlClient::ended() {
    std::map<int, Reply> waiting;
    waiting.swap(m_replies);
    for (auto& [id, reply] : waiting)
        if (reply) reply(failure(kOwnerGone));
    emit closed();
}

}  // namespace vt::service
