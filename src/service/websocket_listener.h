// The opt-in remote door of the control service: a WebSocket server on a TCP address that lets
// in only clients that present the access token (and, from a web page, come from an allowed
// origin), and hands each one on as a ClientChannel. What the clients may do is the service's
// business, not this listener's. Plain GET requests at the same address get the web app's files.
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <chrono>

#include "service/client_channel.h"
#include "service/listen_address.h"
#include "service/upgrade_request.h"

class QTcpSocket;

namespace vt::service {

// The most an upgrade request's head (request line and headers) may take, and how long a client
// has to send all of it, before it is dropped without an answer.
inline constexpr qint64 kMaxRequestHead = 8 * 1024;
inline constexpr std::chrono::milliseconds kRequestHeadTime{5000};
// The most connections that may be without a finished handshake at once, in all and from one
// address; one more is closed as soon as it is taken.
inline constexpr int kMaxHalfOpen = 128;
inline constexpr int kMaxHalfOpenPerAddress = 16;
// Descriptors left for the local socket, the unit and the files of the service: a connection
// that would leave fewer is closed as soon as it is taken.
inline constexpr long kDescriptorReserve = 64;

class WebSocketListener : public QObject {
    Q_OBJECT
  public:
    explicit WebSocketListener(UpgradePolicy policy, QObject* parent = nullptr);
    ~WebSocketListener() override;

    // Starts listening; false with the reason in `why` ("The bound address is already in use").
    bool listen(const ListenAddress& at, QString& why);
    // The port listened on (the one the system chose when listen() was given 0).
    quint16 port() const { return m_tcp.serverPort(); }
    void setRequestHeadTime(std::chrono::milliseconds time) { m_headTime = time; }
    // From now on the token is the one `path` holds: read again at every handshake and followed
    // while clients are connected, so that removing or changing the file revokes the old token
    // (its clients are closed). A missing or refused file lets nobody in.
    void followTokenFile(const std::string& path);

  signals:
    // A client is in. The receiver takes the channel; it deletes itself after closed().
    void clientConnected(vt::service::ClientChannel* channel);

  private:
    void onTcpConnection();
    void examineHead(QTcpSocket* socket);
    // Counts `socket` among those without a handshake until it is upgraded or gone.
    void holdHead(QTcpSocket* socket, const QHostAddress& from);
    void releaseHead(QObject* socket);
    // The token that lets clients in now (the file's, when the policy names one).
    std::string currentToken();
    // Closes the clients whose token the file no longer holds.
    void followToken();

    UpgradePolicy m_policy;
    QHash<QObject*, QHostAddress> m_heads;  // the connections without a finished handshake
    QHash<QHostAddress, int> m_headsFrom;
    std::chrono::milliseconds m_headTime = kRequestHeadTime;
    QTcpServer m_tcp;
    // The channels let in, with the token each presented; closed when the listener goes, or
    // when their token is no longer the file's.
    QList<QPair<QPointer<ClientChannel>, std::string>> m_channels;
    QTimer m_tokenWatch;
    std::string m_tokenFile;
    std::string m_token;  // the token as last read
};

}  // namespace vt::service
