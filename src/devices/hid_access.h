// USB-HID access on hidapi (hidraw backend on Linux): enumeration of present devices and one open
// device with its own reader thread. Input reports and read errors reach the UI thread as signals.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "devices/hid_io.h"
#include "link/device_list.h"
#include "link/report_descriptor.h"
#include "link/transport.h"

namespace vt::devices {

// Every present HID device with the unit's vendor ID. Call on the UI thread only.
std::vector<HidDeviceInfo> enumerateHidDevices();

class HidDevice : public QObject, public Transport {
    Q_OBJECT
  public:
    // Opens the device at `info.path` and reads its report descriptor; isOpen() tells whether
    // it opened, openError() why not.
    explicit HidDevice(const HidDeviceInfo& info, QObject* parent = nullptr);
    // Handles opened elsewhere (one for the reader, one for writes), with the lengths the
    // descriptor declares (nullopt: unknown).
    HidDevice(const HidDeviceInfo& info, std::unique_ptr<HidIo> readIo,
              std::unique_ptr<HidIo> writeIo, std::optional<ReportLengths> lengths,
              QObject* parent = nullptr);
    ~HidDevice() override;

    const HidDeviceInfo& info() const { return m_info; }
    QString openError() const { return m_openError; }
    bool permissionDenied() const { return m_permissionDenied; }
    // The reader gave up: the device went away, or reads kept failing.
    bool readerStopped() const { return m_readerStopped; }
    // Why the reports have the default length (the descriptor could not be read or parsed);
    // empty when the descriptor gave the lengths.
    const std::string& lengthNote() const { return m_lengthNote; }
    // How often the reader thread has come back from waiting for a report (for benchmarks).
    std::uint64_t readerWakeUps() const { return m_wakeUps; }

    TransportKind kind() const override { return TransportKind::UsbHid; }
    bool isOpen() const override { return static_cast<bool>(m_writeIo); }
    int outputReportLength(std::uint8_t reportId) const override;
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  signals:
    // One input report, report ID first (0 for a device without report IDs).
    void reportReceived(const QByteArray& report);
    void readError(const QString& message, quint32 code);

  private:
    void startReader();
    void readLoop();
    bool deviceGone(int code) const;

    HidDeviceInfo m_info;
    // Thread use: the device is opened twice. m_readIo is used by the reader thread alone and
    // m_writeIo by the UI thread alone, so no two calls ever run at once on one hidapi handle
    // (hidapi keeps a handle's error text in the handle, freed and replaced by every call). The
    // reader waits for a report without a lock and without waking on a timer; it is stopped by
    // a signal that ends its wait. Both are made and destroyed on the UI thread while no reader
    // runs.
    std::unique_ptr<HidIo> m_readIo;
    std::unique_ptr<HidIo> m_writeIo;
    std::optional<ReportLengths> m_lengths;  // const once the reader runs
    std::string m_lengthNote;
    QString m_openError;
    bool m_permissionDenied = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_readerStopped{false};
    std::atomic<bool> m_readerDone{false};
    std::atomic<std::uint64_t> m_wakeUps{0};
    std::thread m_reader;
};

}  // namespace vt::devices
