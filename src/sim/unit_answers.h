// The frames the simulated unit sends back: status replies (acknowledge or error, with the output
// levels and the master volume) and data packets of ten slot values, as HID input reports of the
// unit's report length (report ID first, checksum in the last byte) or as UART byte strings; UART
// acknowledges are FE BB.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "link/transport.h"

namespace vt::sim {

inline constexpr std::uint8_t kStatusLength = 17;  // a status reply is 20 bytes on UART

struct StatusFields {
    std::uint16_t code = 2;
    std::uint8_t left = 0;
    std::uint8_t right = 0;
    std::uint16_t volume = 0;
};

// `reportLength` sizes the HID form, report ID included.
std::vector<std::uint8_t> statusReply(TransportKind form, const StatusFields& s,
                                      int reportLength = kDefaultReportLength);

// Ten values from `first` of `module`; on UART 29 bytes, length byte 26.
std::vector<std::uint8_t> dataPacket(TransportKind form, std::uint8_t module, std::uint8_t first,
                                     const std::array<std::uint16_t, 10>& values,
                                     int reportLength = kDefaultReportLength);

// The UART acknowledge.
std::vector<std::uint8_t> uartAcknowledge();

}  // namespace vt::sim
