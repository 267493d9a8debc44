// USB-HID access on hidapi (hidraw backend on Linux): enumeration of present devices and one open
// device with its own reader thread. Input reports and read errors reach the UI thread as signals.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "link/device_list.h"
#include "link/transport.h"

struct hid_device_;

namespace vt::devices {

// Every present HID device with the unit's vendor ID. Call on the UI thread only.
std::vector<HidDeviceInfo> enumerateHidDevices();

// Closes a hid_device on destruction.
struct HidHandleCloser {
    void operator()(hid_device_* d) const;
};
using HidHandle = std::unique_ptr<hid_device_, HidHandleCloser>;

class HidDevice : public QObject, public Transport {
    Q_OBJECT
  public:
    // Opens the device at `path`; isOpen() tells whether it worked, openError() why not.
    explicit HidDevice(const HidDeviceInfo& info, QObject* parent = nullptr);
    ~HidDevice() override;

    const HidDeviceInfo& info() const { return m_info; }
    QString openError() const { return m_openError; }
    bool permissionDenied() const { return m_permissionDenied; }
    // The reader gave up after a read error (the device went away).
    bool readerStopped() const { return m_readerStopped; }

    TransportKind kind() const override { return TransportKind::UsbHid; }
    bool isOpen() const override { return static_cast<bool>(m_handle); }
    int outputReportLength() const override { return m_outputLength; }
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  signals:
    // One input report, report ID first.
    void reportReceived(const QByteArray& report);
    void readError(const QString& message, quint32 code);

  private:
    void readLoop();

    HidDeviceInfo m_info;
    // Thread use: m_handle is opened and closed on the UI thread; hid_write runs on the UI thread,
    // hid_read_timeout only on m_reader. The hidraw backend keeps no shared state between the two
    // calls beyond the file descriptor, which the kernel serialises.
    HidHandle m_handle;
    int m_outputLength = 65;
    QString m_openError;
    bool m_permissionDenied = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_readerStopped{false};
    std::thread m_reader;
};

}  // namespace vt::devices
