// Wiring of the link's timers and the device hub.
#include "devices/link_runtime.h"

namespace vt::devices {

LinkRuntime::LinkRuntime(ParameterModel& model, LinkHost& host, HubOptions options, QObject* parent)
    : QObject(parent),
      m_hold(25, [this] { m_link->HoldTimerTimer(); }),
      m_connect(1000, [this] { m_link->Timer1Timer(); }),
      m_transfer(50, [this] { m_link->Timer2Timer(); }) {
    m_link = std::make_unique<Link>(model, host, LinkTimers{m_hold, m_connect, m_transfer});
    m_hub = std::make_unique<DeviceHub>(*m_link, std::move(options));
}

LinkRuntime::~LinkRuntime() {
    m_hold.stop();
    m_connect.stop();
    m_transfer.stop();
    m_hub.reset();
    m_link.reset();
}

}  // namespace vt::devices
