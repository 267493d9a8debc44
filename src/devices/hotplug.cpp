// udev monitoring of hidraw devices with a debounce, and the polling stand-in.
#include "devices/hotplug.h"

#include <libudev.h>

#include <QSocketNotifier>

#include "devices/hid_access.h"

namespace vt::devices {

namespace {
constexpr int kDebounceMs = 150;
constexpr int kPollMs = 2000;
}  // namespace

Hotplug::Hotplug(QObject* parent, int forcedPollMs) : QObject(parent) {
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, &Hotplug::devicesChanged);
    if (forcedPollMs > 0) {
        usePolling(forcedPollMs);
        return;
    }
    m_udev = udev_new();
    if (m_udev) m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) == 0 &&
        udev_monitor_enable_receiving(m_monitor) == 0) {
        m_notifier =
            new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &Hotplug::onUdevEvent);
    } else {
        usePolling(kPollMs);
    }
}

void Hotplug::usePolling(int pollMs) {
    if (m_monitor) udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &Hotplug::onPoll);
}

QStringList Hotplug::presentPaths() {
    QStringList paths;
    for (const auto& d : enumerateHidDevices()) paths << QString::fromStdString(d.path);
    paths.sort();
    return paths;
}

void Hotplug::onPoll() {
    // Every change makes the link read the unit anew, so an unchanged list must not raise one.
    QStringList paths = presentPaths();
    if (paths == m_lastPaths) return;
    m_lastPaths = std::move(paths);
    emit devicesChanged();
}

Hotplug::~Hotplug() {
    delete m_notifier;
    if (m_monitor) udev_monitor_unref(m_monitor);
    if (m_udev) udev_unref(m_udev);
}

void Hotplug::start() {
    m_debounce.start();
    if (!m_monitor) {
        m_lastPaths = presentPaths();
        m_poll.start();
    }
}

void Hotplug::onUdevEvent() {
    if (udev_device* d = udev_monitor_receive_device(m_monitor)) udev_device_unref(d);
    m_debounce.start();  // a burst of events gives one rebuild
}

}  // namespace vt::devices
