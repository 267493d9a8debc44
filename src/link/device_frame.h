// Decoding one frame from the unit (a data packet or a status reply) without acting on it. Every
// position is read only when the frame reaches it: what a short frame lacks stays unset.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vt {

struct DeviceFrame {
    enum class Kind {
        Foreign,      // byte 1 is not 0x57 (or missing): dropped without a trace
        NotForLink,   // byte 4 is not 0 (or bytes 4, 5 are missing)
        DataPacket,   // byte 5 is 0x39
        StatusReply,  // byte 5 is 0xFF
        Other,        // any other byte 5
    };
    Kind kind = Kind::Foreign;

    // The last byte is the checksum: minus the sum of every byte before it, modulo 256.
    bool checksumOk = true;
    std::uint8_t computedChecksum = 0;
    std::uint8_t receivedChecksum = 0;
    std::optional<std::uint8_t> byte4;

    // Data packet: the values the length byte announces, as far as the frame holds them.
    std::optional<std::uint8_t> module;
    std::optional<std::uint8_t> firstSlot;
    std::span<const std::uint8_t> valueBytes;  // whole high/low pairs only
    int valueCount() const { return static_cast<int>(valueBytes.size() / 2); }
    std::uint16_t value(int j) const {
        const auto i = static_cast<std::size_t>(2 * j);
        return static_cast<std::uint16_t>(valueBytes[i] << 8 | valueBytes[i + 1]);
    }

    // Status reply.
    std::optional<std::uint16_t> statusCode;
    std::optional<std::uint8_t> leftLevel;
    std::optional<std::uint8_t> rightLevel;
    std::optional<std::uint16_t> masterVolume;
};

// The frame must outlive the result (valueBytes points into it).
DeviceFrame decodeDeviceFrame(std::span<const std::uint8_t> frame);

// Status codes of a status reply.
bool isAcknowledge(std::uint16_t statusCode);
inline constexpr std::uint16_t kStatusAcknowledge = 2;
inline constexpr std::uint16_t kStatusError = 6;

}  // namespace vt
