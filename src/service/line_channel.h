// A client on the local socket: one JSON-RPC message per line. A line over the size limit, or a
// line begun and not finished for half a minute, drops the client.
#pragma once

#include <QByteArray>
#include <QTimer>

#include "service/client_channel.h"

class QLocalSocket;

namespace vt::service {

class LineChannel : public ClientChannel {
    Q_OBJECT
  public:
    // Takes the connected socket over.
    explicit LineChannel(QLocalSocket* socket, int stallMs = 30000, QObject* parent = nullptr);

    void sendMessage(const std::string& json) override;
    void close() override;
    QString peer() const override { return m_peer; }

  private:
    void readLines();
    void ended();

    QLocalSocket* m_socket;
    QByteArray m_partial;
    QTimer m_stall;
    QString m_peer;
    bool m_closed = false;
};

}  // namespace vt::service
