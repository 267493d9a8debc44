// Decoding and checking the frames the link sends, in both forms.
#include "sim/unit_requests.h"

#include <algorithm>
#include <numeric>

#include "link/link_constants.h"

namespace vt::sim {

using namespace link;

namespace {

bool isPacketAddress(std::uint16_t address) {
    return address == kAddrImagePacket || address == kAddrBluetooth;
}

UnitRequest makeRequest(std::uint8_t command, std::uint16_t address,
                        std::span<const std::uint8_t> body) {
    UnitRequest r;
    r.command = command;
    r.address = address;
    if (isPacketAddress(address)) {
        r.kind = address == kAddrImagePacket ? UnitRequest::Kind::ImagePacket
                                             : UnitRequest::Kind::BluetoothText;
        r.payload.assign(body.begin(), body.end());
    } else {
        r.kind = UnitRequest::Kind::Command;
        r.value = static_cast<std::uint16_t>(body[0] << 8 | body[1]);
    }
    return r;
}

std::optional<UnitRequest> decodeStart(std::span<const std::uint8_t> r) {
    const auto start = readStartReport(r);
    if (!start || !start->checked) return std::nullopt;
    UnitRequest req;
    req.kind = UnitRequest::Kind::Start;
    req.mask = start->mask;
    return req;
}

}  // namespace

std::optional<UnitRequest> decodeHidReport(std::span<const std::uint8_t> report,
                                           const LinkMask& mask) {
    if (report.empty()) return std::nullopt;
    if (report[0] == kStartReportId) return decodeStart(report);
    if (report[0] != kHeader0 || report.size() < static_cast<std::size_t>(kHidFrameBytes))
        return std::nullopt;

    std::array<std::uint8_t, kHidFrameBytes> f{};
    std::copy_n(report.begin(), f.size(), f.begin());
    applyLinkMask(f, mask);
    if (std::accumulate(f.begin(), f.end(), 0u) % 256 != 0 || f[1] != kHeader1) return std::nullopt;

    const auto address = static_cast<std::uint16_t>(f[4] << 8 | f[5]);
    if (!isPacketAddress(address) && f[2] != 0x06) return std::nullopt;
    // A HID packet carries payload bytes 6..28; a command frame its value in bytes 6 and 7.
    return makeRequest(f[3], address, std::span(f).subspan(6, 23));
}

void UartRequestReader::feed(std::span<const std::uint8_t> bytes) {
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<UnitRequest> UartRequestReader::next() {
    for (;;) {
        while (!m_buffer.empty() && m_buffer.front() != kHeader0) m_buffer.pop_front();
        if (m_buffer.size() < 3) return std::nullopt;
        if (m_buffer[1] != kHeader1) {
            m_buffer.pop_front();
            continue;
        }
        const std::size_t total = m_buffer[2] + 3u;
        if (m_buffer.size() < total) return std::nullopt;
        std::vector<std::uint8_t> f(m_buffer.begin(),
                                    m_buffer.begin() + static_cast<std::ptrdiff_t>(total));

        bool ok = false;
        std::optional<UnitRequest> request;
        if (total >= 7) {
            const auto address = static_cast<std::uint16_t>(f[4] << 8 | f[5]);
            if (isPacketAddress(address)) {
                unsigned sum = f[3] + f[0] + f[4] + f[5];
                for (std::size_t i = 6; i + 1 < total; ++i) sum += f[i];
                ok = static_cast<std::uint8_t>((sum & 0xFF) ^ kHeader1) == f.back();
                if (ok) request = makeRequest(f[3], address, std::span(f).subspan(6, total - 7));
            } else if (total == 9) {
                ok = negativeChecksum(std::span(f).first(8)) == f[8];
                if (ok) request = makeRequest(f[3], address, std::span(f).subspan(6, 2));
            }
        }
        if (!ok) {
            // Not a frame after all: resume hunting after its first byte.
            ++m_rejected;
            m_buffer.pop_front();
            continue;
        }
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(total));
        return request;
    }
}

}  // namespace vt::sim
