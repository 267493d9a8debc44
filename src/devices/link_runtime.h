// The link at run time: the engine with its three timers on QTimers and the device hub that feeds
// it. The window program and the command-line program share it.
#pragma once

#include <QObject>
#include <memory>

#include "devices/device_hub.h"
#include "devices/qt_timer.h"
#include "link/link.h"

namespace vt::devices {

class LinkRuntime : public QObject {
    Q_OBJECT
  public:
    LinkRuntime(ParameterModel& model, LinkHost& host, HubOptions options,
                QObject* parent = nullptr);
    ~LinkRuntime() override;

    Link& link() { return *m_link; }
    DeviceHub& hub() { return *m_hub; }
    // Whether any of the link's three timers runs.
    bool anyTimerActive() const {
        return m_hold.isActive() || m_connect.isActive() || m_transfer.isActive();
    }

  private:
    QtTimer m_hold;
    QtTimer m_connect;
    QtTimer m_transfer;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<DeviceHub> m_hub;
};

}  // namespace vt::devices
