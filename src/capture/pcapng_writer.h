// A small pcapng writer for the unit's reports: one section, one interface of link type 220
// (usbmon with its 64-byte header) and one Enhanced Packet Block per report, each an interrupt
// transfer on endpoint 0x01 (to the unit) or 0x81 (from it). Every block is flushed to the
// system once written, so a crash of the program loses at most the report being written.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "capture/usb_capture.h"

namespace vt::capture {

class PcapngWriter {
  public:
    // Creates (or truncates) the file at `path` and writes the section and interface headers;
    // nullptr with `error` set (the system's reason) when it cannot. `application` names the
    // program in the section header.
    static std::unique_ptr<PcapngWriter> create(const std::string& path,
                                                const std::string& application, std::string& error);
    ~PcapngWriter();
    PcapngWriter(const PcapngWriter&) = delete;
    PcapngWriter& operator=(const PcapngWriter&) = delete;

    // One report as one packet. After a failed write nothing more is written; error() says why.
    void record(const CapturedReport& report, const UsbAddress& address);

    // The first write that failed ("No space left on device"); empty while all went well.
    const std::string& error() const { return m_error; }
    int packets() const { return m_packets; }

  private:
    explicit PcapngWriter(std::FILE* file) : m_file(file) {}
    bool writeBlock(std::span<const std::uint8_t> block);

    std::FILE* m_file;
    std::string m_error;
    std::uint64_t m_nextUrb = 1;
    int m_packets = 0;
};

// The 64-byte usbmon header of link type 220 for one report, in this machine's byte order (as
// the section header's byte-order mark declares).
std::array<std::uint8_t, 64> usbmonHeader(const CapturedReport& report, const UsbAddress& address,
                                          std::uint64_t urb);

}  // namespace vt::capture
