// Recording at the transport boundary: a Transport that forwards to the device in use and
// records every report written to it, and takes the reports received from it, into a capture.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "capture/pcapng_writer.h"
#include "link/transport.h"

namespace vt::capture {

class CaptureTap : public Transport {
  public:
    // `clock` gives microseconds since the Unix epoch.
    CaptureTap(PcapngWriter& writer, std::function<std::int64_t()> clock)
        : m_writer(writer), m_clock(std::move(clock)) {}

    // The device in use (nullptr: none) and where it sits on USB.
    void attach(Transport* device, const UsbAddress& address) {
        m_device = device;
        m_address = address;
    }
    Transport* device() const { return m_device; }
    // Called once, with the reason, when the capture can no longer be written.
    void setFailureHandler(std::function<void(const std::string&)> handler) {
        m_failed = std::move(handler);
    }

    // A report received from the device in use.
    void received(std::span<const std::uint8_t> report);

    TransportKind kind() const override;
    bool isOpen() const override { return m_device && m_device->isOpen(); }
    int outputReportLength(std::uint8_t reportId) const override;
    // Forwarded; a report the device took is recorded, one it refused is not.
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  private:
    void record(Direction direction, std::span<const std::uint8_t> bytes);

    PcapngWriter& m_writer;
    std::function<std::int64_t()> m_clock;
    std::function<void(const std::string&)> m_failed;
    Transport* m_device = nullptr;
    UsbAddress m_address;
};

}  // namespace vt::capture
