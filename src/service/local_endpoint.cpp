// Listening at the local socket, and calling the service there.
#include "service/local_endpoint.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "service/endpoint_path.h"
#include "service/line_channel.h"

namespace vt::service {
namespace {

// Opens (or makes) the lock file without following a link, and only when it is a regular file
// of this user's: a lock that someone else holds must not keep this user's owner away, nor a
// link send its lock elsewhere. -1 with the reason in `problem`.
int openLockFile(const std::string& path, std::string& problem) {
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        problem = errno == ELOOP ? path + " is a symbolic link; refusing to use it"
                                 : "cannot open " + path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        problem = path + " is not a regular file of this user's; refusing to use it";
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void DescriptorServer::incomingConnection(quintptr fd) {
    if (take)
        take(static_cast<int>(fd));
    else
        ::close(static_cast<int>(fd));
}

LocalEndpoint::LocalEndpoint(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.setMaxPendingConnections(128);
    m_server.take = [this](int fd) { emit clientConnected(new LineChannel(fd, m_stallMs)); };
    m_watch.setInterval(std::chrono::seconds(1));
    connect(&m_watch, &QTimer::timeout, this, &LocalEndpoint::watch);
}

LocalEndpoint::~LocalEndpoint() {
    m_server.close();
    if (m_lockFd >= 0) {
        ::unlink(m_path.c_str());
        ::close(m_lockFd);
    }
    if (m_spareFd >= 0) ::close(m_spareFd);
}

ListenOutcome LocalEndpoint::listen(const std::string& socketPath) {
    ListenOutcome out;
    m_path = socketPath;
    if (m_path.empty()) {
        const EndpointFolder folder = endpointFolder(true);
        if (!folder.problem.empty()) {
            out.problem = folder.problem;
            return out;
        }
        m_path = folder.socket;
    }
    const std::string lockPath = m_path + ".lock";
    const int fd = openLockFile(lockPath, out.problem);
    if (fd < 0) return out;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK) {
            out.problem = "cannot lock " + lockPath + ": " + std::strerror(error);
            return out;
        }
        // Another owner runs; it may be a moment from answering.
        out.taken = true;
        QDeadlineTimer deadline(2000);
        while (!(out.owner = ownerStatus(m_path, 500)) && !deadline.hasExpired())
            QThread::msleep(50);
        out.problem = "the control service at " + m_path + " is already served" +
                      (out.owner ? " by " + describeOwner(*out.owner) : std::string());
        return out;
    }
    m_lockFd = fd;
    if (!listenAt(out.problem)) {
        ::close(m_lockFd);
        m_lockFd = -1;
        return out;
    }
    m_spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    m_watch.start();
    out.listening = true;
    return out;
}

bool LocalEndpoint::listenAt(std::string& problem) {
    QLocalServer::removeServer(QString::fromStdString(m_path));  // left by an owner that died
    if (!m_server.listen(QString::fromStdString(m_path))) {
        problem = "cannot listen at " + m_path + ": " + m_server.errorString().toStdString();
        return false;
    }
    ::chmod(m_path.c_str(), 0600);
    return true;
}

void LocalEndpoint::watch() {
    if (m_server.isListening()) return;
    const QString why = m_server.errorString();
    // The spare descriptor makes room for the new socket when the program has none left.
    if (m_spareFd >= 0) ::close(m_spareFd);
    std::string problem;
    const bool listening = listenAt(problem);
    m_spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (listening) {
        emit listeningAgain(why);
        return;
    }
    m_watch.stop();
    emit listeningLost(QString::fromStdString(problem));
}

bool ControlConnection::open(const std::string& socketPath, int timeoutMs) {
    m_socket.connectToServer(QString::fromStdString(socketPath));
    return m_socket.waitForConnected(timeoutMs);
}

std::optional<std::string> ControlConnection::readMessage(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (const qsizetype end = m_buffer.indexOf('\n'); end >= 0) {
            std::string line = m_buffer.left(end).toStdString();
            m_buffer.remove(0, end + 1);
            return line;
        }
        if (m_socket.state() != QLocalSocket::ConnectedState && m_socket.bytesAvailable() == 0)
            return std::nullopt;
        if (m_socket.bytesAvailable() == 0 &&
            !m_socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            if (m_socket.bytesAvailable() == 0) return std::nullopt;
        m_buffer += m_socket.readAll();
        if (deadline.hasExpired() && m_buffer.indexOf('\n') < 0) return std::nullopt;
    }
}

std::optional<RpcIncoming> ControlConnection::call(std::string_view method, const Json& params,
                                                   int timeoutMs) {
    const int id = m_nextId++;
    const std::string request = requestMessage(id, method, params) + "\n";
    m_socket.write(request.data(), static_cast<qint64>(request.size()));
    m_socket.flush();
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const auto text = readMessage(static_cast<int>(deadline.remainingTime()));
        if (!text) return std::nullopt;
        auto incoming = parseIncoming(*text);
        if (!incoming || incoming->notification) continue;
        if (incoming->id == id || incoming->id.is_null()) return incoming;
    }
    return std::nullopt;
}

std::optional<Json> ownerStatus(const std::string& socketPath, int timeoutMs) {
    ControlConnection connection;
    if (!connection.open(socketPath, timeoutMs)) return std::nullopt;
    const auto answer = connection.call("status", Json::object(), timeoutMs);
    if (!answer || !answer->ok || !answer->result.is_object()) return std::nullopt;
    return answer->result;
}

std::string describeOwner(const Json& status) {
    std::string program = "another program";
    long long pid = -1;
    if (status.contains("owner") && status["owner"].is_object()) {
        const Json& owner = status["owner"];
        if (owner.contains("program") && owner["program"].is_string())
            program = owner["program"] == "window"
                          ? "the vortella window"
                          : "vortella-cli " + owner["program"].get<std::string>();
        if (owner.contains("pid") && owner["pid"].is_number_integer())
            pid = owner["pid"].get<long long>();
    }
    return pid > 0 ? program + " (pid " + std::to_string(pid) + ")" : program;
}

}  // namespace vt::service
