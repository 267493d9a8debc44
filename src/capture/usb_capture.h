// What the capture files of this program hold: reports of the unit in either direction, as USB
// interrupt transfers with their time, and the USB link types they are read from and written as.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vt::capture {

enum class Direction { Out, In };  // to the unit, from the unit

// libpcap link types of USB traffic.
inline constexpr int kLinkTypeUsbLinux = 189;         // usbmon, 48-byte header
inline constexpr int kLinkTypeUsbLinuxMmapped = 220;  // usbmon, 64-byte header
inline constexpr int kLinkTypeUsbPcap = 249;          // USBPcap on Windows

// The endpoints the unit's reports are recorded on: interrupt OUT 1 and interrupt IN 1.
inline constexpr std::uint8_t kOutEndpoint = 0x01;
inline constexpr std::uint8_t kInEndpoint = 0x81;

// Transfer types as usbmon and USBPcap both number them.
inline constexpr std::uint8_t kTransferInterrupt = 1;
inline constexpr std::uint8_t kTransferControl = 2;

// Where a device sits on USB. The simulated unit, and a device whose place is not known, are
// recorded as device 1 on bus 0, which no real bus uses.
struct UsbAddress {
    std::uint16_t bus = 0;
    std::uint8_t device = 1;
};

// One report of the unit: microseconds since the Unix epoch, direction and the bytes as they
// crossed the transport boundary (report ID first).
struct CapturedReport {
    std::int64_t micros = 0;
    Direction direction = Direction::Out;
    std::vector<std::uint8_t> bytes;
};

}  // namespace vt::capture
