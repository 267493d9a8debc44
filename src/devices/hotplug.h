// Device arrival and removal: a libudev monitor of the hidraw subsystem on a socket notifier,
// debounced, or a slow re-enumeration where udev is not available.
#pragma once

#include <QObject>
#include <QTimer>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace vt::devices {

class Hotplug : public QObject {
    Q_OBJECT
  public:
    explicit Hotplug(QObject* parent = nullptr);
    ~Hotplug() override;

    // Raises devicesChanged once, shortly after start-up.
    void start();
    bool usingUdev() const { return m_monitor != nullptr; }

  signals:
    void devicesChanged();

  private:
    void onUdevEvent();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_debounce;
    QTimer m_poll;
};

}  // namespace vt::devices
