// Reading USB captures through libpcap: pcap and pcapng files of link types 189 and 220 (usbmon)
// and 249 (USBPcap). Out of all their traffic it keeps the interrupt transfers of the unit: of
// the device whose descriptor in the capture names the unit's vendor and product, and of any
// device the capture does not describe, those of 64 or 65 bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/usb_capture.h"

struct pcap;

namespace vt::capture {

struct UnitTransfer {
    std::int64_t micros = 0;  // since the capture's first packet
    Direction direction = Direction::Out;
    std::vector<std::uint8_t> bytes;  // as captured
};

class CaptureReader {
  public:
    // nullptr with `error` set when the file cannot be read as a USB capture.
    static std::unique_ptr<CaptureReader> open(const std::string& path, std::string& error);
    // The same for an open file, which the reader takes over (and closes, also on failure).
    static std::unique_ptr<CaptureReader> open(std::FILE* file, std::string& error);
    ~CaptureReader();
    CaptureReader(const CaptureReader&) = delete;
    CaptureReader& operator=(const CaptureReader&) = delete;

    int linkType() const { return m_linkType; }
    // The next transfer of the unit; nullopt at the end of the capture, or where it is damaged
    // or cut short (problem() then says how).
    std::optional<UnitTransfer> next();
    const std::string& problem() const { return m_problem; }
    int packets() const { return m_packets; }

  private:
    CaptureReader(pcap* handle, int linkType) : m_pcap(handle), m_linkType(linkType) {}
    static std::unique_ptr<CaptureReader> checked(pcap* handle, const char* failure,
                                                  std::string& error);
    // One packet: a transfer of the unit, nothing (other traffic), or damage (problem set).
    std::optional<UnitTransfer> take(const std::uint8_t* packet, std::uint32_t captured,
                                     std::int64_t micros);

    pcap* m_pcap;
    int m_linkType;
    std::string m_problem;
    int m_packets = 0;
    std::optional<std::int64_t> m_firstMicros;
    std::map<std::uint32_t, bool> m_isUnit;  // bus << 16 | device: described in the capture
};

}  // namespace vt::capture
