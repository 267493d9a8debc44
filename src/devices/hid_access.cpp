// hidapi enumeration, open with the report lengths from the descriptor, locked writes and the
// reader thread with its retries.
#include "devices/hid_access.h"

#include <hidapi/hidapi.h>

#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>
#include <chrono>
#include <filesystem>

#include "devices/read_retry.h"
#include "devices/report_descriptor_source.h"
#include "devices/thread_wake.h"
#include "link/link_constants.h"

namespace vt::devices {
namespace {

// The reader's wait for a report: ended at once by a report, a removal or the stop signal; the
// limit only bounds a wait whose end was somehow missed.
constexpr int kReadWaitMs = 1000;
constexpr std::size_t kMinReadBuffer = 256;

std::string narrow(const wchar_t* w) {
    return w ? QString::fromWCharArray(w).toStdString() : std::string();
}

ReadRetry::Millis steadyNow() {
    return std::chrono::duration_cast<ReadRetry::Millis>(
        std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace

std::vector<HidDeviceInfo> enumerateHidDevices() {
    ensureHidLibrary();
    std::vector<HidDeviceInfo> out;
    hid_device_info* list = hid_enumerate(kUnitVendorId, 0);
    for (hid_device_info* d = list; d; d = d->next) {
        out.push_back({d->path ? d->path : "", d->vendor_id, d->product_id,
                       narrow(d->product_string), narrow(d->serial_number)});
    }
    hid_free_enumeration(list);
    return out;
}

HidDevice::HidDevice(const HidDeviceInfo& info, QObject* parent) : QObject(parent), m_info(info) {
    int error = 0;
    std::string text;
    m_writeIo = openHidapi(info.path, error, text);
    if (m_writeIo) m_readIo = openHidapi(info.path, error, text);
    if (!m_readIo) {
        m_writeIo.reset();
        const QFileInfo node(QString::fromStdString(info.path));
        m_permissionDenied =
            error == EACCES || error == EPERM || (node.exists() && !node.isWritable());
        m_openError = QString::fromStdString(text);
        return;
    }
    std::string why;
    if (const auto descriptor = readReportDescriptor(info.path, why)) {
        m_lengths = parseReportDescriptor(*descriptor);
        if (!m_lengths) why = "it does not parse";
    }
    if (!m_lengths)
        m_lengthNote = "Report descriptor of " + info.path + " not read (" + why +
                       "): reports of " + std::to_string(kDefaultReportLength) + " bytes";
    startReader();
}

HidDevice::HidDevice(const HidDeviceInfo& info, std::unique_ptr<HidIo> readIo,
                     std::unique_ptr<HidIo> writeIo, std::optional<ReportLengths> lengths,
                     QObject* parent)
    : QObject(parent),
      m_info(info),
      m_readIo(std::move(readIo)),
      m_writeIo(std::move(writeIo)),
      m_lengths(std::move(lengths)) {
    if (m_readIo && m_writeIo) startReader();
}

HidDevice::~HidDevice() {
    m_stop = true;
    wakeAndJoin(m_reader, m_readerDone);
    m_readIo.reset();
    m_writeIo.reset();
}

void HidDevice::startReader() {
    installThreadWake();
    m_reader = std::thread([this] {
        readLoop();
        m_readerDone = true;
    });
}

int HidDevice::outputReportLength(std::uint8_t reportId) const {
    if (!m_lengths) return kDefaultReportLength;
    return m_lengths->outputLength(reportId).value_or(kDefaultReportLength);
}

WriteResult HidDevice::write(std::span<const std::uint8_t> bytes) {
    if (!m_writeIo) return {false, 0, "device not open"};
    const IoResult r = m_writeIo->write(bytes);
    if (r.n >= 0) return {};
    return {false, static_cast<std::uint32_t>(r.code), r.text};
}

bool HidDevice::deviceGone(int code) const {
    if (code == ENODEV) return true;
    std::error_code ec;
    return m_info.path.rfind("/dev/", 0) == 0 && !std::filesystem::exists(m_info.path, ec);
}

void HidDevice::readLoop() {
    const bool unnumbered = m_lengths && !m_lengths->numbered;
    const auto size =
        std::max(kMinReadBuffer,
                 static_cast<std::size_t>(m_lengths ? m_lengths->longestInput().value_or(0) : 0));
    std::vector<std::uint8_t> buffer(size + 1);
    // A device without report IDs delivers bare data, read in after byte 0. When that data
    // starts with the frame header, byte 0 stands for the absent ID and the frame keeps the
    // offsets of a numbered one; data that starts with its own ID byte (the 0x01 this program
    // sends such a device as well) is taken as it came.
    const std::span<std::uint8_t> into = std::span(buffer).subspan(unnumbered ? 1 : 0, size);
    ReadRetry retry;
    while (!m_stop) {
        const IoResult r = m_readIo->read(into, kReadWaitMs);
        ++m_wakeUps;
        if (m_stop) break;
        if (r.n > 0) {
            retry.succeeded();
            const bool idInFront = unnumbered && buffer[1] == link::kHeader1;
            const std::size_t skip = unnumbered && !idInFront ? 1 : 0;
            QByteArray report(reinterpret_cast<const char*>(buffer.data() + skip),
                              r.n + (idInFront ? 1 : 0));
            QMetaObject::invokeMethod(
                this, [this, report] { emit reportReceived(report); }, Qt::QueuedConnection);
        } else if (r.n == 0 || r.code == EINTR) {
            retry.succeeded();  // the wait ended without a report (a signal, or its limit)
        } else if (retry.failed(steadyNow(), deviceGone(r.code)) == ReadRetry::Verdict::Retry) {
            std::this_thread::sleep_for(ReadRetry::kPause);
        } else {
            const QString text = QString::fromStdString(r.text);
            const auto code = static_cast<quint32>(r.code);
            // Stopped before the error is posted, so whoever handles it sees a stopped reader.
            m_readerStopped = true;
            QMetaObject::invokeMethod(
                this, [this, text, code] { emit readError(text, code); }, Qt::QueuedConnection);
            break;  // the device went away or stopped answering; the hub reopens or releases it
        }
    }
}

}  // namespace vt::devices
