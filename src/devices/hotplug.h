// Device arrival and removal: a libudev monitor of the hidraw subsystem on a socket notifier,
// debounced, or a slow re-enumeration where udev is not available that reports only changes.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace vt::devices {

class Hotplug : public QObject {
    Q_OBJECT
  public:
    // With `forcedPollMs` above 0 it re-enumerates at that period instead of listening to udev,
    // as it does where udev is missing.
    explicit Hotplug(QObject* parent = nullptr, int forcedPollMs = 0);
    ~Hotplug() override;

    // Raises devicesChanged once, shortly after start-up.
    void start();
    bool usingUdev() const { return m_monitor != nullptr; }

  signals:
    void devicesChanged();

  private:
    void onUdevEvent();
    void usePolling(int pollMs);
    static QStringList presentPaths();
    // Polling: a change is raised only when the set of present devices differs from the last.
    void onPoll();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_debounce;
    QTimer m_poll;
    QStringList m_lastPaths;
};

}  // namespace vt::devices
