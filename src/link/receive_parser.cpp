// The receive parser: every whole frame from the unit, on either transport. Data packets fill the
// device image; status replies acknowledge, carry the level meters and the master volume, or take
// the link offline with an error. A checksum mismatch leaves three lines in the hidden memo.
#include "link/link.h"

#include "link/transfer_layout.h"
#include "model/number_text.h"

namespace vt {

using namespace link;

void Link::ParseDeviceFrame(std::span<const std::uint8_t> frame) {
    const DeviceFrame d = decodeDeviceFrame(frame);
    if (d.kind == DeviceFrame::Kind::Foreign) return;
    if (!d.checksumOk) reportChecksumMismatch(frame, d);

    if (d.kind == DeviceFrame::Kind::DataPacket) {
        storeDataPacket(d);
        m_transfer.state = kTransferAnswered;
    } else if (d.kind == DeviceFrame::Kind::StatusReply && d.statusCode) {
        if (*d.statusCode == kStatusError) {
            ShowLinkStatus(0, texts::kNotConnected);
            raiseMessage(pick(texts::kAckError, m_language), {});
        } else if (isAcknowledge(*d.statusCode)) {
            acknowledge(d);
        }
    }
}

void Link::storeDataPacket(const DeviceFrame& d) {
    if (!d.module || !d.firstSlot) return;
    for (int j = 0; j < d.valueCount(); ++j) {
        const int slot = *d.firstSlot + j;
        if (slot < kStorableSlots && DeviceImage::contains(*d.module, slot))
            m_model.device.set(*d.module, slot, d.value(j));
    }
}

void Link::acknowledge(const DeviceFrame& d) {
    m_transfer.connectionAnswer = 1;
    m_transfer.state = kTransferAnswered;
    noteAnswer();
    const LevelHistory::Update shown = m_levels.add(d.leftLevel, d.rightLevel);
    if (shown.left) m_host.setLevelMeter(Meter::Left, *shown.left);
    if (shown.right) m_host.setLevelMeter(Meter::Right, *shown.right);
    if (d.masterVolume) m_host.setMasterVolumeBar(*d.masterVolume);
}

void Link::reportChecksumMismatch(std::span<const std::uint8_t> frame, const DeviceFrame& d) {
    using namespace texts;
    m_host.addMemoLine((d.byte4 ? formatInt(*d.byte4) : std::string()) + std::string(kMemoStars));
    m_host.addMemoLine(std::string(kMemoMismatch) + formatInt(d.computedChecksum) +
                       std::string(kMemoReceivedSum) + formatInt(d.receivedChecksum));
    std::string bytes(kMemoBadData);
    for (auto b : frame) {
        bytes += ' ';
        bytes += hexByte(b);
    }
    m_host.addMemoLine(bytes);
}

void Link::uartAcknowledged() {
    m_transfer.connectionAnswer = 1;
    noteAnswer();
    m_transfer.state = kTransferUartAck;
}

void Link::uartFrameReceived(std::span<const std::uint8_t> frame) {
    ParseDeviceFrame(frame);
    m_transfer.state = kTransferAnswered;
}

}  // namespace vt
