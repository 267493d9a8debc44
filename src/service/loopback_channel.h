// A client of the control service inside the owner's own process: two joined channel ends, one
// for the service and one for a ControlClient. What one end sends, the other receives from the
// event loop, so that neither side ever runs inside the other's call.
#pragma once

#include <QPointer>
#include <utility>

#include "service/client_channel.h"

namespace vt::service {

class LoopbackChannel : public ClientChannel {
    Q_OBJECT
  public:
    // The service's end and the client's end, joined; neither has a parent yet.
    static std::pair<LoopbackChannel*, LoopbackChannel*> makePair();

    void sendMessage(const std::string& json) override;
    // Closes both ends.
    void close() override;
    QString peer() const override { return QStringLiteral("in-process"); }
    bool inProcess() const override { return true; }

  private:
    LoopbackChannel() = default;
    void end();

    QPointer<LoopbackChannel> m_other;
    bool m_closed = false;
};

}  // namespace vt::service
