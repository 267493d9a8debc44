// Building and writing the link's frames: command frames, packet frames and the start report, in
// their USB-HID and UART forms, with checksums, the link mask and the history lines.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_constants.h"
#include "link/transport.h"

namespace vt {

// Local time of day as the link mask needs it.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

using LinkMask = std::array<std::uint8_t, 6>;

// Mask bytes 0..3: low byte of hour, minute, second, millisecond XOR 0x57; bytes 4, 5 repeat 3.
LinkMask buildLinkMask(const TimeOfDay& t);

// Checksum of the link: minus the sum of the bytes, modulo 256.
std::uint8_t negativeChecksum(std::span<const std::uint8_t> bytes);

// XORs bytes 2 to 7 of a HID command or packet frame with the mask: scrambles a frame, and
// unscrambles a scrambled one. The frame holds at least 8 bytes.
void applyLinkMask(std::span<std::uint8_t> frame, const LinkMask& mask);

// What a start report carries: the link mask, and whether the check bytes match it.
struct StartReport {
    LinkMask mask{};
    bool checked = false;
};

// Reads a report (report ID first) with the start report's layout; nullopt for any other report.
std::optional<StartReport> readStartReport(std::span<const std::uint8_t> report);

// What the frame writer reports to the windows.
class FrameHost {
  public:
    virtual ~FrameHost() = default;
    virtual void addToHistory(const std::string& line) = 0;
    virtual void showReportId(const std::string& text) = 0;
};

class FrameWriter {
  public:
    FrameWriter() = default;

    void setTransport(Transport* transport) { m_transport = transport; }
    Transport* transport() const { return m_transport; }
    void setHost(FrameHost* host) { m_host = host; }

    void setMask(const LinkMask& mask) { m_mask = mask; }
    const LinkMask& mask() const { return m_mask; }

    // Payload area of the shared frame buffer; fill it before SendPacktData.
    std::span<std::uint8_t, link::kPayloadSize> payload() {
        return std::span<std::uint8_t, link::kPayloadSize>(m_buffer.data(), link::kPayloadSize);
    }
    // The shared frame buffer as it stands (the HID command frame is assembled at its start).
    std::span<const std::uint8_t> buffer() const { return m_buffer; }

    void SendData(std::uint8_t wrMode, std::uint16_t address, std::uint16_t value);
    void SendPacktData(std::uint8_t wrMode, std::uint16_t address, int dataSize);
    void Send_StartSign(std::uint8_t mode, std::uint8_t dataByte);
    void PCtoMCUAckSign(int code);

    // The HID form of a command frame before scrambling and the UART forms: pure builders.
    static std::vector<std::uint8_t> uartCommandFrame(std::uint8_t wrMode, std::uint16_t address,
                                                      std::uint16_t value);
    static std::vector<std::uint8_t> uartPacketFrame(std::uint8_t wrMode, std::uint16_t address,
                                                     std::span<const std::uint8_t> payload);

  private:
    bool hid() const { return !m_transport || m_transport->kind() == TransportKind::UsbHid; }
    void writeHid(std::span<const std::uint8_t> report, const std::string& historyLine);

    Transport* m_transport = nullptr;
    FrameHost* m_host = nullptr;
    LinkMask m_mask{};
    std::array<std::uint8_t, link::kHidFrameBytes> m_buffer{};
};

}  // namespace vt
