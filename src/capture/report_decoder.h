// Reading the unit's reports back out of a capture: each report to the unit (start report,
// command frame, packet) and from it (status reply, data packet) decoded as the unit and the
// link take it, with the link mask followed from the start reports. A report that fits none of
// the layouts is named as such with the reason, never guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/usb_capture.h"
#include "link/frames.h"

namespace vt::capture {

struct ParameterWrite {
    int address = 0;
    int value = 0;
};

struct DecodedReport {
    enum class Kind { Start, Command, Packet, Status, Data, Ack, Unknown };
    Kind kind = Kind::Unknown;
    std::optional<int> command;
    std::optional<int> address;
    std::optional<int> value;
    std::string name;
    // Command frames and packets: the checksum after unmasking; start reports: the check
    // bytes; frames from the unit: the last byte of the report. Unset for an unknown report.
    std::optional<bool> checksumOk;
    std::string problem;  // why an unknown report fits no frame
    // The parameters the report writes: a write command or an image packet whose checksum holds.
    std::vector<ParameterWrite> writes;
};

// "start", "command", "packet", "status", "data", "ack" or "unknown".
std::string_view kindName(DecodedReport::Kind kind);

class ReportDecoder {
  public:
    // One report, report ID first (from a device without report IDs, the frame header first).
    DecodedReport decode(Direction direction, std::span<const std::uint8_t> report);

  private:
    DecodedReport decodeOut(std::span<const std::uint8_t> report);
    DecodedReport decodeIn(std::span<const std::uint8_t> report) const;

    // All zero, as the link's mask before its first start report, until a start report sets it.
    LinkMask m_mask{};
    bool m_maskSeen = false;
};

}  // namespace vt::capture
