// The transport seen from the link: the active device's write path and its form (USB-HID or UART).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vt {

enum class TransportKind { UsbHid, Uart };

// Output report length when the device's own is unknown: a report ID and 64 bytes.
inline constexpr int kDefaultReportLength = 65;

struct WriteResult {
    bool ok = true;
    std::uint32_t errorCode = 0;
    std::string errorText;
};

// One open device (HID device checked out, or UART port open). Implementations: hidapi,
// QSerialPort, the simulated unit, and recorders in tests.
class Transport {
  public:
    virtual ~Transport() = default;
    virtual TransportKind kind() const = 0;
    // HID: a device is checked out; UART: the port is open.
    virtual bool isOpen() const = 0;
    // HID only: bytes of the output report with this ID as written, report ID byte included
    // (what the device's report descriptor declares).
    virtual int outputReportLength(std::uint8_t reportId) const {
        (void)reportId;
        return kDefaultReportLength;
    }
    // HID: one output report (report ID first). UART: raw bytes.
    virtual WriteResult write(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace vt
