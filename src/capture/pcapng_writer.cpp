// pcapng blocks and the usbmon header, written field by field in this machine's byte order.
#include "capture/pcapng_writer.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vt::capture {
namespace {

constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint32_t kSnapLength = 262144;

constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kShbUserApplication = 4;
constexpr std::uint16_t kIfName = 2;
constexpr std::uint16_t kIfDescription = 3;

constexpr std::int32_t kInProgress = -115;  // -EINPROGRESS: the status of a submission

// A block's body, built up field by field; finished with the block type and lengths around it.
class Block {
  public:
    template <typename T>
    void put(T value) {
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        m_body.insert(m_body.end(), raw, raw + sizeof(T));
    }
    void bytes(std::span<const std::uint8_t> data) {
        m_body.insert(m_body.end(), data.begin(), data.end());
        pad();
    }
    void option(std::uint16_t code, const std::string& text) {
        put(code);
        put(static_cast<std::uint16_t>(text.size()));
        m_body.insert(m_body.end(), text.begin(), text.end());
        pad();
    }
    void endOptions() {
        put(kOptionEnd);
        put(std::uint16_t{0});
    }
    std::vector<std::uint8_t> finish(std::uint32_t type) const {
        const auto total = static_cast<std::uint32_t>(m_body.size() + 12);
        Block out;
        out.put(type);
        out.put(total);
        out.m_body.insert(out.m_body.end(), m_body.begin(), m_body.end());
        out.put(total);
        return out.m_body;
    }

  private:
    void pad() {
        while (m_body.size() % 4) m_body.push_back(0);
    }
    std::vector<std::uint8_t> m_body;
};

template <typename T>
void putAt(std::span<std::uint8_t> header, std::size_t offset, T value) {
    std::memcpy(header.data() + offset, &value, sizeof(T));
}

}  // namespace

std::array<std::uint8_t, 64> usbmonHeader(const CapturedReport& report, const UsbAddress& address,
                                          std::uint64_t urb) {
    std::array<std::uint8_t, 64> h{};
    const bool out = report.direction == Direction::Out;
    const auto length = static_cast<std::uint32_t>(report.bytes.size());
    std::int64_t seconds = report.micros / 1000000;
    std::int32_t micros = static_cast<std::int32_t>(report.micros % 1000000);
    if (micros < 0) {
        micros += 1000000;
        --seconds;
    }
    putAt(h, 0, urb);
    h[8] = out ? 'S' : 'C';  // an OUT transfer's data travels with its submission, IN with
                             // its completion
    h[9] = kTransferInterrupt;
    h[10] = out ? kOutEndpoint : kInEndpoint;
    h[11] = address.device;
    putAt(h, 12, address.bus);
    h[14] = '-';  // no setup packet
    h[15] = 0;    // data present
    putAt(h, 16, seconds);
    putAt(h, 24, micros);
    putAt(h, 28, out ? kInProgress : std::int32_t{0});
    putAt(h, 32, length);           // transfer length
    putAt(h, 36, length);           // bytes captured
    putAt(h, 48, std::int32_t{1});  // polling interval
    return h;
}

std::unique_ptr<PcapngWriter> PcapngWriter::create(const std::string& path,
                                                   const std::string& application,
                                                   std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<PcapngWriter> writer(new PcapngWriter(file));

    Block section;
    section.put(kByteOrderMagic);
    section.put(std::uint16_t{1});  // version 1.0
    section.put(std::uint16_t{0});
    section.put(std::int64_t{-1});  // section length not given
    section.option(kShbUserApplication, application);
    section.endOptions();

    Block interface;
    interface.put(static_cast<std::uint16_t>(kLinkTypeUsbLinuxMmapped));
    interface.put(std::uint16_t{0});
    interface.put(kSnapLength);
    interface.option(kIfName, "unit");
    interface.option(kIfDescription,
                     "HID reports of the unit as " + application + " wrote and received them");
    interface.endOptions();

    if (!writer->writeBlock(section.finish(kSectionHeader)) ||
        !writer->writeBlock(interface.finish(kInterfaceDescription))) {
        error = writer->error();
        return nullptr;
    }
    return writer;
}

PcapngWriter::~PcapngWriter() {
    std::fclose(m_file);
}

bool PcapngWriter::writeBlock(std::span<const std::uint8_t> block) {
    if (!m_error.empty()) return false;
    errno = 0;
    if (std::fwrite(block.data(), 1, block.size(), m_file) != block.size() ||
        std::fflush(m_file) != 0) {
        m_error = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

void PcapngWriter::record(const CapturedReport& report, const UsbAddress& address) {
    const auto header = usbmonHeader(report, address, m_nextUrb++);
    const auto length = static_cast<std::uint32_t>(header.size() + report.bytes.size());
    const auto stamp = static_cast<std::uint64_t>(report.micros);

    Block packet;
    packet.put(std::uint32_t{0});  // interface 0
    packet.put(static_cast<std::uint32_t>(stamp >> 32));
    packet.put(static_cast<std::uint32_t>(stamp & 0xFFFFFFFFu));
    packet.put(length);  // captured
    packet.put(length);  // on the wire
    std::vector<std::uint8_t> data(header.begin(), header.end());
    data.insert(data.end(), report.bytes.begin(), report.bytes.end());
    packet.bytes(data);
    if (writeBlock(packet.finish(kEnhancedPacket))) ++m_packets;
}

}  // namespace vt::capture
