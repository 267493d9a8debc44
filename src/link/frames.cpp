// Frame layouts byte by byte; each HID write leaves a history line or a write error.
#include "link/frames.h"

#include <algorithm>
#include <cstdio>

#include "model/number_text.h"

namespace vt {

using namespace link;

LinkMask buildLinkMask(const TimeOfDay& t) {
    auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    LinkMask m{};
    m[0] = lo(t.hour) ^ kHeader1;
    m[1] = lo(t.minute) ^ kHeader1;
    m[2] = lo(t.second) ^ kHeader1;
    m[3] = lo(t.millisecond) ^ kHeader1;
    m[4] = m[3];
    m[5] = m[3];
    return m;
}

std::uint8_t negativeChecksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (auto b : bytes) sum += b;
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

void applyLinkMask(std::span<std::uint8_t> frame, const LinkMask& mask) {
    for (std::size_t i = 0; i < mask.size(); ++i) frame[2 + i] ^= mask[i];
}

std::optional<StartReport> readStartReport(std::span<const std::uint8_t> r) {
    if (r.size() < 16 || r[0] != kStartReportId || r[1] != kStartMode || r[2] != kHeader1 ||
        r[3] != kStartByte3)
        return std::nullopt;
    StartReport start;
    start.checked = true;
    for (std::size_t i = 0; i < start.mask.size(); ++i) {
        start.mask[i] = r[4 + i];
        if (r[10 + i] != (r[4 + i] ^ kCheckConstant ^ i)) start.checked = false;
    }
    return start;
}

namespace {

std::string hexList(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (auto b : bytes) out += hexByte(b) + " ";
    return out;
}

void putAddressValue(std::uint8_t* p, std::uint16_t address, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(address >> 8);
    p[1] = static_cast<std::uint8_t>(address & 0xFF);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

void FrameWriter::writeHid(std::span<const std::uint8_t> frame, const std::string& historyLine) {
    if (m_host) m_host->showReportId(hexByte(frame[0]));
    if (!m_transport || !m_transport->isOpen()) return;
    std::vector<std::uint8_t> report(
        static_cast<std::size_t>(std::max<int>(m_transport->outputReportLength(frame[0]), 1)), 0);
    std::copy_n(frame.begin(), std::min(frame.size(), report.size()), report.begin());
    const WriteResult r = m_transport->write(report);
    if (!m_host) return;
    if (r.ok) {
        m_host->addToHistory(historyLine);
    } else {
        char code[16];
        std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(r.errorCode));
        m_host->addToHistory("WRITE ERROR: " + r.errorText + " (" + code + ")");
    }
}

std::vector<std::uint8_t> FrameWriter::uartCommandFrame(std::uint8_t wrMode, std::uint16_t address,
                                                        std::uint16_t value) {
    std::vector<std::uint8_t> f{kHeader0, kHeader1, 0x06, wrMode, 0, 0, 0, 0, 0};
    putAddressValue(&f[4], address, value);
    f[8] = negativeChecksum(std::span(f).first(8));
    return f;
}

std::vector<std::uint8_t> FrameWriter::uartPacketFrame(std::uint8_t wrMode, std::uint16_t address,
                                                       std::span<const std::uint8_t> payload) {
    const auto size = payload.size();
    std::vector<std::uint8_t> f{kHeader0,
                                kHeader1,
                                static_cast<std::uint8_t>((size + 4) & 0xFF),
                                wrMode,
                                static_cast<std::uint8_t>(address >> 8),
                                static_cast<std::uint8_t>(address & 0xFF)};
    unsigned sum = wrMode + kHeader0 + f[4] + f[5];
    for (auto b : payload) {
        f.push_back(b);
        sum += b;
    }
    f.push_back(static_cast<std::uint8_t>((sum & 0xFF) ^ kHeader1));
    return f;
}

void FrameWriter::SendData(std::uint8_t wrMode, std::uint16_t address, std::uint16_t value) {
    if (!hid()) {
        if (m_transport && m_transport->isOpen())
            m_transport->write(uartCommandFrame(wrMode, address, value));  // errors are swallowed
        return;
    }
    auto& b = m_buffer;
    b[0] = kHeader0;
    b[1] = kHeader1;
    b[2] = 0x06;
    b[3] = wrMode;
    putAddressValue(&b[4], address, value);
    b[29] = negativeChecksum(std::span(b).first(29));
    const std::string line = "WW " + hexByte(b[0]) + "  " + hexList(std::span(b).first(29));
    applyLinkMask(b, m_mask);
    writeHid(b, line);
}

void FrameWriter::SendPacktData(std::uint8_t wrMode, std::uint16_t address, int dataSize) {
    const int size = std::clamp(dataSize, 0, kPayloadSize);
    if (!hid()) {
        if (m_transport && m_transport->isOpen())
            m_transport->write(uartPacketFrame(
                wrMode, address, std::span(m_buffer).first(static_cast<std::size_t>(size))));
        return;
    }
    std::array<std::uint8_t, kHidFrameBytes> f{};
    f[0] = kHeader0;
    f[1] = kHeader1;
    f[2] = static_cast<std::uint8_t>((dataSize + 4) & 0xFF);
    f[3] = wrMode;
    f[4] = static_cast<std::uint8_t>(address >> 8);
    f[5] = static_cast<std::uint8_t>(address & 0xFF);
    std::copy_n(m_buffer.begin(), 23, f.begin() + 6);
    f[29] = negativeChecksum(std::span(f).first(29));
    const auto listed = static_cast<std::size_t>(std::min(size + 4, 29));
    const std::string line = "W " + hexByte(f[0]) + "  " + hexList(std::span(f).subspan(1, listed));
    applyLinkMask(f, m_mask);
    writeHid(f, line);
}

void FrameWriter::Send_StartSign(std::uint8_t mode, std::uint8_t dataByte) {
    if (!hid()) return;
    std::array<std::uint8_t, 16> f{};
    f[0] = kStartReportId;
    f[1] = mode;
    f[2] = dataByte;
    f[3] = kStartByte3;
    for (std::size_t i = 0; i < 6; ++i) {
        f[4 + i] = m_mask[i];
        f[10 + i] = static_cast<std::uint8_t>(m_mask[i] ^ kCheckConstant ^ i);
    }
    // The history line lists every byte written after the report ID.
    const int written =
        m_transport ? std::max(m_transport->outputReportLength(kStartReportId), 1) : 16;
    std::vector<std::uint8_t> report(static_cast<std::size_t>(written), 0);
    std::copy_n(f.begin(), std::min(f.size(), report.size()), report.begin());
    const std::string line = "W " + hexByte(f[0]) + "  " + hexList(std::span(report).subspan(1));
    writeHid(report, line);
}

void FrameWriter::PCtoMCUAckSign(int code) {
    if (code == kSignStart) {
        Send_StartSign(kStartMode, kHeader1);
    } else {
        SendData(kCmdWrite, kAddrSign, static_cast<std::uint16_t>(code));
    }
}

}  // namespace vt
