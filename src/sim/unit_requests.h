// What the simulated unit hears: a start report, a command frame, an image packet or a Bluetooth
// text packet, decoded from a HID output report (unmasked and checked) or from the UART byte
// stream. A frame that fails its check is rejected and never reaches the unit.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "link/frames.h"

namespace vt::sim {

struct UnitRequest {
    enum class Kind { Start, Command, ImagePacket, BluetoothText };
    Kind kind = Kind::Command;
    std::uint8_t command = 0;
    std::uint16_t address = 0;
    std::uint16_t value = 0;
    LinkMask mask{};                    // start report
    std::vector<std::uint8_t> payload;  // packets: the payload bytes the frame carries
};

// One output report, report ID first. Command and packet frames are unmasked with `mask` and
// must sum to 0 over bytes 0..29; the start report must carry matching check bytes.
std::optional<UnitRequest> decodeHidReport(std::span<const std::uint8_t> report,
                                           const LinkMask& mask);

// The UART side: bytes arrive in any pieces; whole frames come out in order. Noise before a
// frame is skipped; a frame whose checksum fails is dropped.
class UartRequestReader {
  public:
    void feed(std::span<const std::uint8_t> bytes);
    std::optional<UnitRequest> next();
    int rejected() const { return m_rejected; }

  private:
    std::deque<std::uint8_t> m_buffer;
    int m_rejected = 0;
};

}  // namespace vt::sim
