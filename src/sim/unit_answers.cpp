// Building the unit's answers byte by byte.
#include "sim/unit_answers.h"

#include <algorithm>

#include "link/frames.h"
#include "link/link_constants.h"
#include "link/transfer_layout.h"

namespace vt::sim {

using namespace link;

namespace {

// HID: the whole report with the checksum in its last byte. UART: the frame up to its length.
std::vector<std::uint8_t> finish(TransportKind form, std::vector<std::uint8_t> f,
                                 int reportLength) {
    if (form == TransportKind::UsbHid)
        f.resize(static_cast<std::size_t>(std::max<int>(reportLength, 1) - 1), 0);
    f.push_back(negativeChecksum(f));
    return f;
}

void putWord(std::vector<std::uint8_t>& f, std::size_t i, std::uint16_t v) {
    f[i] = static_cast<std::uint8_t>(v >> 8);
    f[i + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

// Bytes 0..5 of every frame the unit sends: header, length, command and address.
std::vector<std::uint8_t> frameStart(std::size_t size, std::uint8_t length, std::uint8_t command,
                                     std::uint16_t address) {
    std::vector<std::uint8_t> f(size, 0);
    f[0] = kHeader0;
    f[1] = kHeader1;
    f[2] = length;
    f[3] = command;
    f[4] = static_cast<std::uint8_t>(address >> 8);
    f[5] = static_cast<std::uint8_t>(address & 0xFF);
    return f;
}

}  // namespace

std::vector<std::uint8_t> statusReply(TransportKind form, const StatusFields& s, int reportLength) {
    auto f = frameStart(kStatusLength + 2u, kStatusLength, kCmdWrite, kAddrStatus);
    putWord(f, 6, s.code);
    f[8] = s.left;
    f[9] = s.right;
    putWord(f, 17, s.volume);
    return finish(form, std::move(f), reportLength);
}

std::vector<std::uint8_t> dataPacket(TransportKind form, std::uint8_t module, std::uint8_t first,
                                     const std::array<std::uint16_t, 10>& values,
                                     int reportLength) {
    auto f = frameStart(8 + 2 * values.size(), kDataPacketLength, kCmdRead, kAddrReadRequest);
    f[6] = module;
    f[7] = first;
    for (std::size_t j = 0; j < values.size(); ++j) putWord(f, 8 + 2 * j, values[j]);
    return finish(form, std::move(f), reportLength);
}

std::vector<std::uint8_t> uartAcknowledge() {
    return {0xFE, 0xBB};
}

}  // namespace vt::sim
