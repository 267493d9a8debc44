// A client of the control service that never blocks: requests go out at once and each is
// answered through its callback whenever the owner answers; the owner's notifications arrive as
// a signal. The window uses it when another program owns the unit.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "service/rpc_protocol.h"

namespace vt::service {

class ClientChannel;

class ControlClient : public QObject {
    Q_OBJECT
  public:
    using Reply = std::function<void(const RpcIncoming& answer)>;

    explicit ControlClient(QObject* parent = nullptr);
    ~ControlClient() override;

    // Connects to the service at `socketPath`; opened() or closed() follows (never at once).
    void open(const std::string& socketPath);
    // Takes an open channel over instead (an in-process client); opened() follows at once.
    void attach(ClientChannel* channel);
    bool isOpen() const { return m_channel != nullptr; }
    // Sends a request. `reply` gets its answer, or an error (kUnitFailed) when the connection
    // is not open or ends before the answer.
    void call(std::string_view method, const Json& params, Reply reply = {});
    // Requests sent and not answered yet.
    std::size_t waiting() const { return m_replies.size(); }
    // Ends the connection; closed() follows after the waiting replies got their error.
    void close();

  signals:
    void opened();
    void notification(const std::string& method, const vt::service::Json& params);
    // The connection could not be made, or it ended.
    void closed();

  private:
    void received(const std::string& text);
    void ended();

    bool m_connecting = false;
    int m_pendingFd = -1;                // connected, not yet handed to a channel
    ClientChannel* m_channel = nullptr;  // once connected
    std::map<int, Reply> m_replies;
    int m_nextId = 1;
};

// The error a reply gets when the connection ends without its answer.
inline constexpr std::string_view kOwnerGone = "the owner of the unit went away";

}  // namespace vt::service
