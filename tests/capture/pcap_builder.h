// Capture files built byte by byte for the tests, from the published layouts and independent of
// the program's writer: the classic pcap file format (little-endian), the usbmon pseudo-header
// (48 bytes for link type 189, 64 for 220) and the USBPcap one (link type 249).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace vt::test {

using Bytes = std::vector<std::uint8_t>;

inline void putLittle(Bytes& out, std::uint64_t value, int bytes) {
    // Bytes past the eighth are 0 (a 64-bit value shifted by 64 or more is undefined).
    for (int i = 0; i < bytes; ++i)
        out.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : std::uint8_t{0});
}

class PcapFile {
  public:
    explicit PcapFile(std::uint32_t linkType) {
        putLittle(m_bytes, 0xA1B2C3D4, 4);  // microsecond time stamps
        putLittle(m_bytes, 2, 2);           // version 2.4
        putLittle(m_bytes, 4, 2);
        putLittle(m_bytes, 0, 4);  // time zone
        putLittle(m_bytes, 0, 4);  // accuracy
        putLittle(m_bytes, 65535, 4);
        putLittle(m_bytes, linkType, 4);
    }
    void packet(std::int64_t micros, const Bytes& data) {
        putLittle(m_bytes, static_cast<std::uint64_t>(micros / 1000000), 4);
        putLittle(m_bytes, static_cast<std::uint64_t>(micros % 1000000), 4);
        putLittle(m_bytes, data.size(), 4);
        putLittle(m_bytes, data.size(), 4);
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    }
    const Bytes& bytes() const { return m_bytes; }
    void save(const std::filesystem::path& path) const { saveBytes(path, m_bytes); }
    static void saveBytes(const std::filesystem::path& path, std::span<const std::uint8_t> b) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }

  private:
    Bytes m_bytes;
};

// Transfer types of both pseudo-headers.
inline constexpr std::uint8_t kIso = 0, kInterrupt = 1, kControl = 2, kBulk = 3;

// One usbmon event: 'S' submission or 'C' completion, with data (or none).
inline Bytes usbmonPacket(int headerSize, char type, std::uint8_t transfer, std::uint8_t endpoint,
                          std::uint16_t bus, std::uint8_t device, const Bytes& data,
                          std::uint64_t urb = 0x1234) {
    Bytes p;
    putLittle(p, urb, 8);
    p.push_back(static_cast<std::uint8_t>(type));
    p.push_back(transfer);
    p.push_back(endpoint);
    p.push_back(device);
    putLittle(p, bus, 2);
    p.push_back('-');                           // no setup packet
    p.push_back(data.empty() ? '<' : 0);        // data present
    putLittle(p, 0, 8);                         // seconds (unused by the reader)
    putLittle(p, 0, 4);                         // microseconds
    putLittle(p, type == 'S' ? -115 : 0, 4);    // status
    putLittle(p, data.size(), 4);               // transfer length
    putLittle(p, data.size(), 4);               // captured
    putLittle(p, 0, 8);                         // setup
    if (headerSize == 64) putLittle(p, 0, 16);  // interval, start frame, flags, descriptors
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

// One USBPcap packet: `fromDevice` for a completion on its way up from the device.
inline Bytes usbpcapPacket(bool fromDevice, std::uint16_t bus, std::uint16_t device,
                           std::uint8_t endpoint, std::uint8_t transfer, const Bytes& data) {
    const std::uint16_t header = transfer == kControl ? 28 : 27;
    Bytes p;
    putLittle(p, header, 2);
    putLittle(p, 0xFFFF8000AABB0000ull, 8);                     // IRP ID
    putLittle(p, 0, 4);                                         // status: success
    putLittle(p, transfer == kInterrupt ? 0x0009 : 0x000B, 2);  // URB function
    p.push_back(fromDevice ? 1 : 0);                            // info
    putLittle(p, bus, 2);
    putLittle(p, device, 2);
    p.push_back(endpoint);
    p.push_back(transfer);
    putLittle(p, data.size(), 4);
    if (transfer == kControl) p.push_back(fromDevice ? 3 : 0);  // stage: complete / setup
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

// An 18-byte device descriptor with the given vendor and product.
inline Bytes deviceDescriptor(std::uint16_t vendor, std::uint16_t product) {
    Bytes d{18, 1, 0x00, 0x02, 0, 0, 0, 64};
    putLittle(d, vendor, 2);
    putLittle(d, product, 2);
    d.insert(d.end(), {0x00, 0x02, 1, 2, 3, 1});
    return d;
}

}  // namespace vt::test
