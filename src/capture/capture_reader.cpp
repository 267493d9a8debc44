// libpcap's packets taken apart by their USB pseudo-header: usbmon's (in the byte order of this
// machine: libpcap swaps a file from the other order) or USBPcap's (always little-endian).
#include "capture/capture_reader.h"

#include <pcap/pcap.h>

#include <cstring>
#include <limits>

#include "capture/usb_capture.h"
#include "link/device_list.h"

namespace vt::capture {
namespace {

constexpr std::uint8_t kDirectionIn = 0x80;

// One USB event, whatever the pseudo-header it came with.
struct UsbEvent {
    std::uint32_t device = 0;  // bus << 16 | device address
    std::uint8_t endpoint = 0;
    std::uint8_t transfer = 0;
    bool submission = false;   // on its way to the device (else a completion)
    std::uint32_t length = 0;  // bytes the transfer carried
    const std::uint8_t* data = nullptr;
    std::size_t captured = 0;  // bytes of it in the capture
};

template <typename T>
T hostField(const std::uint8_t* p, std::size_t offset) {
    T value;
    std::memcpy(&value, p + offset, sizeof value);
    return value;
}

std::uint32_t little(const std::uint8_t* p, std::size_t offset, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[offset + static_cast<std::size_t>(i)];
    return value;
}

// usbmon: 48 bytes (189) or 64 (220) before the data.
std::optional<UsbEvent> usbmonEvent(const std::uint8_t* p, std::uint32_t captured,
                                    std::size_t header, std::string& problem) {
    if (captured < header) {
        problem = "shorter than its usbmon header (" + std::to_string(captured) + " of " +
                  std::to_string(header) + " bytes)";
        return std::nullopt;
    }
    UsbEvent e;
    e.submission = p[8] == 'S';
    e.transfer = p[9];
    e.endpoint = p[10];
    e.device = static_cast<std::uint32_t>(hostField<std::uint16_t>(p, 12)) << 16 | p[11];
    e.length = hostField<std::uint32_t>(p, 32);
    const bool dataPresent = p[15] == 0;
    e.data = p + header;
    e.captured =
        dataPresent ? std::min<std::size_t>(hostField<std::uint32_t>(p, 36), captured - header) : 0;
    if (p[8] != 'S' && p[8] != 'C') e.captured = 0;  // an error event carries nothing
    return e;
}

// USBPcap: a header of its own length, then the data.
std::optional<UsbEvent> usbpcapEvent(const std::uint8_t* p, std::uint32_t captured,
                                     std::string& problem) {
    constexpr std::size_t kShortest = 27;
    const std::size_t header = captured >= 2 ? little(p, 0, 2) : 0;
    if (captured < kShortest || header < kShortest || header > captured) {
        problem = "USBPcap header of " + std::to_string(header) + " bytes in a packet of " +
                  std::to_string(captured);
        return std::nullopt;
    }
    UsbEvent e;
    e.submission = (p[16] & 1) == 0;  // from the host's driver down to the device
    e.device = little(p, 17, 2) << 16 | little(p, 19, 2);
    e.endpoint = p[21];
    e.transfer = p[22];
    e.length = little(p, 23, 4);
    e.data = p + header;
    e.captured = std::min<std::size_t>(e.length, captured - header);
    return e;
}

constexpr std::int64_t kLatest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kEarliest = std::numeric_limits<std::int64_t>::min();

// A time stamp in microseconds. pcapng time stamps of 64 bits in coarse units reach past the
// range: they are held at its ends.
std::int64_t microsOf(const timeval& ts) {
    std::int64_t micros = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(ts.tv_sec), 1000000, &micros) ||
        __builtin_add_overflow(micros, static_cast<std::int64_t>(ts.tv_usec), &micros))
        return ts.tv_sec < 0 ? kEarliest : kLatest;
    return micros;
}

std::int64_t since(std::int64_t micros, std::int64_t first) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(micros, first, &difference))
        return micros < first ? kEarliest : kLatest;
    return difference;
}

}  // namespace

std::unique_ptr<CaptureReader> CaptureReader::open(const std::string& path, std::string& error) {
    char failure[PCAP_ERRBUF_SIZE] = "";
    pcap_t* handle =
        pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_MICRO, failure);
    return checked(handle, failure, error);
}

std::unique_ptr<CaptureReader> CaptureReader::open(std::FILE* file, std::string& error) {
    char failure[PCAP_ERRBUF_SIZE] = "";
    pcap_t* handle =
        pcap_fopen_offline_with_tstamp_precision(file, PCAP_TSTAMP_PRECISION_MICRO, failure);
    if (!handle) std::fclose(file);  // libpcap closes it only once it took it
    return checked(handle, failure, error);
}

std::unique_ptr<CaptureReader> CaptureReader::checked(pcap* handle, const char* failure,
                                                      std::string& error) {
    if (!handle) {
        error = std::string("not a pcap or pcapng capture (") + failure + ")";
        return nullptr;
    }
    const int type = pcap_datalink(handle);
    if (type != kLinkTypeUsbLinux && type != kLinkTypeUsbLinuxMmapped && type != kLinkTypeUsbPcap) {
        error = "link type " + std::to_string(type) +
                " is not USB traffic (usbmon 189 or 220, USBPcap 249)";
        pcap_close(handle);
        return nullptr;
    }
    return std::unique_ptr<CaptureReader>(new CaptureReader(handle, type));
}

CaptureReader::~CaptureReader() {
    pcap_close(m_pcap);
}

std::optional<UnitTransfer> CaptureReader::next() {
    while (m_problem.empty()) {
        pcap_pkthdr* header = nullptr;
        const u_char* packet = nullptr;
        const int got = pcap_next_ex(m_pcap, &header, &packet);
        if (got == PCAP_ERROR_BREAK) return std::nullopt;  // the end of the capture
        if (got != 1) {
            m_problem = "damaged or cut short after packet " + std::to_string(m_packets) + ": " +
                        pcap_geterr(m_pcap);
            return std::nullopt;
        }
        ++m_packets;
        const std::int64_t micros = microsOf(header->ts);
        if (!m_firstMicros) m_firstMicros = micros;
        if (auto transfer = take(packet, header->caplen, since(micros, *m_firstMicros)))
            return transfer;
    }
    return std::nullopt;
}

std::optional<UnitTransfer> CaptureReader::take(const std::uint8_t* packet, std::uint32_t captured,
                                                std::int64_t micros) {
    std::string why;
    const std::optional<UsbEvent> event =
        m_linkType == kLinkTypeUsbPcap
            ? usbpcapEvent(packet, captured, why)
            : usbmonEvent(packet, captured, m_linkType == kLinkTypeUsbLinux ? 48 : 64, why);
    if (!event) {
        m_problem = "packet " + std::to_string(m_packets) + " is damaged: " + why;
        return std::nullopt;
    }
    const bool in = (event->endpoint & kDirectionIn) != 0;
    // Data goes out with a submission and comes in with a completion.
    if (event->captured == 0 || event->submission == in) return std::nullopt;
    const std::uint8_t* d = event->data;

    if (event->transfer == kTransferControl && in && event->endpoint == kDirectionIn &&
        event->captured >= 12 && d[0] == 18 && d[1] == 1) {  // a device descriptor
        m_isUnit[event->device] =
            little(d, 8, 2) == kUnitVendorId && little(d, 10, 2) == kUnitProductId;
        return std::nullopt;
    }
    if (event->transfer != kTransferInterrupt) return std::nullopt;
    const auto described = m_isUnit.find(event->device);
    const bool keep = described != m_isUnit.end() ? described->second
                                                  : event->length == 64 || event->length == 65;
    if (!keep) return std::nullopt;
    return UnitTransfer{micros, in ? Direction::In : Direction::Out,
                        std::vector<std::uint8_t>(d, d + event->captured)};
}

}  // namespace vt::capture
