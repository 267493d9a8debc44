// The link at run time: the engine with its three timers on QTimers and the device hub that feeds
// it. The window program, the command-line program and the control service share it; what the
// link tells its host is also raised here as signals, the one place where the unit's image, its
// answers and the link's state are seen to change.
#pragma once

#include <QObject>
#include <QString>
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
    // How often the host was told to apply the device image since start.
    int imageApplications() const { return m_imageApplications; }

  signals:
    // The unit answered a parameter write (from anyone).
    void writeConfirmed(int address, int value);
    // The host has brought the window image in line with the device image after a transfer.
    void imageApplied();
    // A message box of the link, raised before the host shows it (the window's box is modal).
    void messageShown(const QString& text);
    void linkLabelChanged();
    // A level meter's new value (0 left, 1 right; 48 at full scale).
    void levelMeterChanged(int meter, int value);

  private:
    class Tap;
    QtTimer m_hold;
    QtTimer m_connect;
    QtTimer m_transfer;
    std::unique_ptr<Tap> m_tap;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<DeviceHub> m_hub;
    int m_imageApplications = 0;
};

}  // namespace vt::devices
