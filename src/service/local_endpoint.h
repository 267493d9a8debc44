// The control service's local socket: the owner listens there (holding the endpoint's lock for
// as long as it runs, so that one owner per user serves), and clients, the command-line program
// among them, connect to it.
#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "service/client_channel.h"
#include "service/rpc_protocol.h"

namespace vt::service {

struct ListenOutcome {
    bool listening = false;
    bool taken = false;         // another program holds the endpoint (and serves, or will)
    std::string problem;        // why not
    std::optional<Json> owner;  // the status of the program that serves already, when it said
};

// A local server that hands each accepted connection over as its descriptor, so that a channel
// can keep answering a client that ended its side of the stream.
class DescriptorServer : public QLocalServer {
  public:
    using QLocalServer::QLocalServer;
    std::function<void(int fd)> take;

  protected:
    void incomingConnection(quintptr fd) override;
};

class LocalEndpoint : public QObject {
    Q_OBJECT
  public:
    explicit LocalEndpoint(QObject* parent = nullptr);
    ~LocalEndpoint() override;

    // Takes the endpoint's lock and listens at `socketPath` (the user's endpoint when empty).
    ListenOutcome listen(const std::string& socketPath = {});
    const std::string& path() const { return m_path; }
    // How long a client may leave a line unfinished before it is dropped (30 s).
    void setStallLimit(int ms) { m_stallMs = ms; }
    // How often the endpoint makes sure that it still listens (1 s).
    void setWatchInterval(std::chrono::milliseconds interval) { m_watch.setInterval(interval); }

  signals:
    void clientConnected(ClientChannel* channel);
    // The socket stopped listening (a failed accept closes it, and removes its file) and
    // listens again.
    void listeningAgain(const QString& why);
    // The socket stopped listening and cannot listen again: whoever runs the endpoint should
    // end, so that the unit is not held by a program that nobody can reach.
    void listeningLost(const QString& why);

  private:
    bool listenAt(std::string& problem);
    void watch();

    DescriptorServer m_server;
    QTimer m_watch;
    std::string m_path;
    int m_lockFd = -1;
    // A descriptor kept open to be let go of when the socket must be made again while the
    // program has run out of descriptors.
    int m_spareFd = -1;
    int m_stallMs = 30000;
};

// A client's connection, with blocking calls (for the command-line program).
class ControlConnection {
  public:
    // Connects to the service at `socketPath`; false when nobody serves there.
    bool open(const std::string& socketPath, int timeoutMs);
    // Sends a request and waits for its answer, passing over notifications; nullopt when the
    // service went away or did not answer in time.
    std::optional<RpcIncoming> call(std::string_view method, const Json& params, int timeoutMs);
    // The service closed the connection: its program ended (or let go of this client), as
    // against a call that was not answered in time.
    bool closed() const { return m_socket.state() != QLocalSocket::ConnectedState; }

  private:
    std::optional<std::string> readMessage(int timeoutMs);

    QLocalSocket m_socket;
    QByteArray m_buffer;
    int m_nextId = 1;
};

// The status of the program serving at `socketPath`, when one answers.
std::optional<Json> ownerStatus(const std::string& socketPath, int timeoutMs = 2000);

// "vortella-cli serve (pid 1234)".
std::string describeOwner(const Json& status);

}  // namespace vt::service
