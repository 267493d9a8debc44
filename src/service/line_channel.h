// A client on the local socket: one JSON-RPC message per line, on the connected socket's
// descriptor. A line over the size limit, or a line begun and not finished for half a minute,
// drops the client. A client that ends its side of the stream (a half-close) has what it sent
// before the end answered: inputEnded() tells the service, which closes the channel once it has
// answered; close() sends what is queued before the socket is closed.
#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <string>

#include "service/client_channel.h"

namespace vt::service {

class LineChannel : public ClientChannel {
    Q_OBJECT
  public:
    // Takes the connected socket's descriptor over (it is made non-blocking and closed here).
    explicit LineChannel(int fd, int stallMs = 30000, QObject* parent = nullptr);
    ~LineChannel() override;

    void sendMessage(const std::string& json) override;
    void close() override;
    QString peer() const override { return m_peer; }
    qint64 queuedBytes() const override { return static_cast<qint64>(m_out.size() - m_outStart); }

  private:
    void readLines();
    void writeQueued();
    void takeLine(std::string line);
    void drain();
    void ended();

    int m_fd;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    std::string m_partial;
    std::string m_out;  // bytes not yet taken by the socket, from m_outStart on
    std::size_t m_outStart = 0;
    QTimer m_stall;
    QTimer m_linger;  // how long a closing channel waits for its last bytes and the client's end
    QString m_peer;
    bool m_closing = false;
    bool m_draining = false;  // all sent, our side shut: waiting for the client's end
    bool m_closed = false;
};

}  // namespace vt::service
