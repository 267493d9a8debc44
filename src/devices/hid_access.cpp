// hidapi enumeration, open, write and the reader thread.
#include "devices/hid_access.h"

#include <hidapi/hidapi.h>

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>
#include <cstring>

namespace vt::devices {
namespace {

std::string narrow(const wchar_t* w) {
    return w ? QString::fromWCharArray(w).toStdString() : std::string();
}

QString hidErrorText(hid_device* d) {
    const wchar_t* e = hid_error(d);
    return e ? QString::fromWCharArray(e) : QString();
}

struct HidLibrary {
    HidLibrary() { hid_init(); }
    ~HidLibrary() { hid_exit(); }
};

void ensureLibrary() {
    static HidLibrary library;
}

}  // namespace

void HidHandleCloser::operator()(hid_device_* d) const {
    if (d) hid_close(d);
}

std::vector<HidDeviceInfo> enumerateHidDevices() {
    ensureLibrary();
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
    ensureLibrary();
    errno = 0;
    m_handle.reset(hid_open_path(info.path.c_str()));
    if (!m_handle) {
        const int err = errno;
        m_permissionDenied = err == EACCES || err == EPERM ||
                             (QFileInfo::exists(QString::fromStdString(info.path)) &&
                              !QFileInfo(QString::fromStdString(info.path)).isWritable());
        m_openError = err ? QString::fromLocal8Bit(std::strerror(err)) : hidErrorText(nullptr);
        return;
    }
    m_reader = std::thread([this] { readLoop(); });
}

HidDevice::~HidDevice() {
    m_stop = true;
    if (m_reader.joinable()) m_reader.join();
    m_handle.reset();
}

WriteResult HidDevice::write(std::span<const std::uint8_t> bytes) {
    if (!m_handle) return {false, 0, "device not open"};
    errno = 0;
    const int n = hid_write(m_handle.get(), bytes.data(), bytes.size());
    if (n >= 0) return {};
    const int err = errno;
    return {false, static_cast<std::uint32_t>(err),
            err ? QString::fromLocal8Bit(std::strerror(err)).toStdString()
                : hidErrorText(m_handle.get()).toStdString()};
}

void HidDevice::readLoop() {
    // The unit numbers its reports, so each read starts with the report ID.
    std::uint8_t buffer[256];
    while (!m_stop) {
        const int n = hid_read_timeout(m_handle.get(), buffer, sizeof buffer, 50);
        if (n > 0) {
            QByteArray report(reinterpret_cast<const char*>(buffer), n);
            QMetaObject::invokeMethod(
                this, [this, report] { emit reportReceived(report); }, Qt::QueuedConnection);
        } else if (n < 0) {
            const int err = errno;
            const QString text = hidErrorText(m_handle.get());
            QMetaObject::invokeMethod(
                this, [this, text, err] { emit readError(text, static_cast<quint32>(err)); },
                Qt::QueuedConnection);
            m_readerStopped = true;
            break;  // the device went away; the removal path closes it
        }
    }
}

}  // namespace vt::devices
