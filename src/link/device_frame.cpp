// Byte positions of data packets and status replies, each read only where the frame has it.
#include "link/device_frame.h"

#include <algorithm>

#include "link/frames.h"
#include "link/link_constants.h"

namespace vt {

namespace {

std::optional<std::uint8_t> byteAt(std::span<const std::uint8_t> f, std::size_t i) {
    if (i < f.size()) return f[i];
    return std::nullopt;
}

std::optional<std::uint16_t> wordAt(std::span<const std::uint8_t> f, std::size_t i) {
    if (i + 1 < f.size()) return static_cast<std::uint16_t>(f[i] << 8 | f[i + 1]);
    return std::nullopt;
}

}  // namespace

bool isAcknowledge(std::uint16_t code) {
    return code == 2 || code == 4 || code == 7 || code == 8;
}

DeviceFrame decodeDeviceFrame(std::span<const std::uint8_t> f) {
    DeviceFrame d;
    if (byteAt(f, 1) != link::kHeader1) return d;

    d.receivedChecksum = f.back();
    d.computedChecksum = negativeChecksum(f.first(f.size() - 1));
    d.checksumOk = d.receivedChecksum == d.computedChecksum;
    d.byte4 = byteAt(f, 4);

    d.kind = DeviceFrame::Kind::NotForLink;
    const auto byte5 = byteAt(f, 5);
    if (d.byte4 != 0 || !byte5) return d;

    if (*byte5 == (link::kAddrReadRequest & 0xFF)) {
        d.kind = DeviceFrame::Kind::DataPacket;
        d.module = byteAt(f, 6);
        d.firstSlot = byteAt(f, 7);
        const int announced = (static_cast<int>(f[2]) - 6) / 2;
        if (d.module && d.firstSlot && announced > 0) {
            const std::size_t available = f.size() > 8 ? (f.size() - 8) / 2 : 0;
            const std::size_t count = std::min(static_cast<std::size_t>(announced), available);
            d.valueBytes = f.subspan(8, 2 * count);
        }
    } else if (*byte5 == (link::kAddrStatus & 0xFF)) {
        d.kind = DeviceFrame::Kind::StatusReply;
        d.statusCode = wordAt(f, 6);
        d.leftLevel = byteAt(f, 8);
        d.rightLevel = byteAt(f, 9);
        d.masterVolume = wordAt(f, 17);
    } else {
        d.kind = DeviceFrame::Kind::Other;
    }
    return d;
}

}  // namespace vt
