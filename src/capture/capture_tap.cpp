// Forwarding to the device in use and recording what passed.
#include "capture/capture_tap.h"

namespace vt::capture {

void CaptureTap::record(Direction direction, std::span<const std::uint8_t> bytes) {
    if (!m_writer.error().empty()) return;
    m_writer.record({m_clock(), direction, {bytes.begin(), bytes.end()}}, m_address);
    if (!m_writer.error().empty() && m_failed) m_failed(m_writer.error());
}

void CaptureTap::received(std::span<const std::uint8_t> report) {
    if (m_device) record(Direction::In, report);
}

TransportKind CaptureTap::kind() const {
    return m_device ? m_device->kind() : TransportKind::UsbHid;
}

int CaptureTap::outputReportLength(std::uint8_t reportId) const {
    return m_device ? m_device->outputReportLength(reportId) : kDefaultReportLength;
}

WriteResult CaptureTap::write(std::span<const std::uint8_t> bytes) {
    if (!m_device) return {false, 0, "no device"};
    WriteResult result = m_device->write(bytes);
    if (result.ok) record(Direction::Out, bytes);
    return result;
}

}  // namespace vt::capture
