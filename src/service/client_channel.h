// One connected client of the control service, whatever carries its messages (a line on the local
// socket, a text frame on a WebSocket). The service reads requests from it and writes answers and
// notifications to it; the channel deletes itself (deleteLater) after it has emitted closed().
#pragma once

#include <QObject>
#include <QString>
#include <string>

namespace vt::service {

class ClientChannel : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~ClientChannel() override = default;

    // Sends one JSON-RPC message (no line end; the channel frames it).
    virtual void sendMessage(const std::string& json) = 0;
    // Drops the client; closed() follows.
    virtual void close() = 0;
    // Who is on the other side, for the error stream: "local pid 1234", "ws 127.0.0.1:50312".
    virtual QString peer() const = 0;
    // A client on the network (it holds the token and nothing more), not the user at this
    // machine: it names files only inside the preset folder.
    virtual bool remote() const { return false; }
    // A part of the owner's own program (the MQTT bridge, the window's own client): not bounded
    // like a client from outside; its own sources bound it.
    virtual bool inProcess() const { return false; }
    // Bytes sent to the client and not yet taken by it.
    virtual qint64 queuedBytes() const { return 0; }

  signals:
    // One message as the client sent it; the service parses it. A message over the size limit
    // never arrives: the channel drops the client instead.
    void messageReceived(const std::string& json);
    void closed();
    // The client ended its side of the stream; what it sent before is still to be answered,
    // then the service closes the channel.
    void inputEnded();
};

}  // namespace vt::service
