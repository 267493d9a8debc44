// hidapi behind HidIo: the handle, hid_read_timeout, hid_write and hid_error. The caller runs
// one call at a time on a handle (hidapi keeps each handle's error text in the handle itself).
#include "devices/hid_io.h"

#include <hidapi/hidapi.h>

#include <QString>
#include <cerrno>
#include <cstring>

namespace vt::devices {
namespace {

struct HidLibrary {
    HidLibrary() { hid_init(); }
    ~HidLibrary() { hid_exit(); }
};

// The text of a failed call: hidapi's own, unless it says nothing ("Success" after a hang-up
// leaves errno at 0), then the system's text for the code, then a plain statement.
std::string failureText(hid_device* d, int code) {
    const wchar_t* e = hid_error(d);
    std::string text = e ? QString::fromWCharArray(e).toStdString() : std::string();
    if (text.find(std::strerror(0)) != std::string::npos) text.clear();
    if (!text.empty()) return text;
    if (code != 0) return std::strerror(code);
    return "the device stopped answering (no system error code)";
}

class HidapiIo : public HidIo {
  public:
    explicit HidapiIo(hid_device* d) : m_device(d) {}
    ~HidapiIo() override { hid_close(m_device); }

    IoResult read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        errno = 0;
        const int n = hid_read_timeout(m_device, buffer.data(), buffer.size(), timeoutMs);
        return finish(n);
    }
    IoResult write(std::span<const std::uint8_t> report) override {
        errno = 0;
        const int n = hid_write(m_device, report.data(), report.size());
        return finish(n);
    }

  private:
    IoResult finish(int n) {
        if (n >= 0) return {n, 0, {}};
        const int code = errno;
        return {n, code, failureText(m_device, code)};
    }

    hid_device* m_device;
};

}  // namespace

void ensureHidLibrary() {
    static HidLibrary library;
}

std::unique_ptr<HidIo> openHidapi(const std::string& path, int& error, std::string& text) {
    ensureHidLibrary();
    errno = 0;
    hid_device* d = hid_open_path(path.c_str());
    if (d) return std::make_unique<HidapiIo>(d);
    error = errno;
    const wchar_t* e = hid_error(nullptr);
    text = error ? std::strerror(error)
                 : (e ? QString::fromWCharArray(e).toStdString() : std::string("cannot open"));
    return nullptr;
}

}  // namespace vt::devices
