// The connect operation and the bulk transfer: the start report repeated once a second until the
// unit answers, then one read request or image packet per answer, walked by the 50 ms timer.
#include "link/link.h"

#include "link/transfer_layout.h"
#include "model/rounding.h"

namespace vt {

using namespace link;

namespace {
constexpr int kDeadTicks = 10;   // 550 ms without an answer: late
constexpr int kLateTicks = 100;  // a further 5 s: failed
}  // namespace

void Link::LinkBtnClick() {
    m_writer.setMask(buildLinkMask(m_timeOfDay()));
    m_transfer.connectionAnswer = 0;
    m_send.writeAwaitingAnswer = 0;
    m_timers.hold.stop();
    if (m_linkState != kNoDevice) m_writer.PCtoMCUAckSign(kSignStart);
    m_timers.connect.start();
}

void Link::Timer1Timer() {
    if (m_transfer.connectionAnswer == 1) {
        DisCheckWindow(kOpConnecting);
    } else if (!uart()) {
        if (m_linkState != kNoDevice) m_writer.PCtoMCUAckSign(kSignStart);
    } else if (m_serialScan) {
        m_serialScan();
    }
}

void Link::fillImagePacket(int module, int firstSlot) {
    // The header names the slots whose values follow.
    auto payload = m_writer.payload();
    payload[0] = static_cast<std::uint8_t>(module);
    payload[1] = static_cast<std::uint8_t>(firstSlot);
    for (int j = 0; j < kValuesPerPacket; ++j) {
        const int slot = firstSlot + j;
        const bool inImage = slot <= kStorableSlots && DeviceImage::contains(module, slot);
        const auto v = inImage ? static_cast<std::uint16_t>(m_model.device.at(module, slot)) : 0;
        payload[static_cast<std::size_t>(2 + 2 * j)] = static_cast<std::uint8_t>(v >> 8);
        payload[static_cast<std::size_t>(3 + 2 * j)] = static_cast<std::uint8_t>(v & 0xFF);
    }
}

void Link::SendPacketStep(int nStep, int mode) {
    const int last = m_transfer.lastStep;
    if (nStep < 0 || nStep > last + 1) return;
    const bool read = mode == kTransferRead;
    if (nStep == last + 1) {
        m_writer.PCtoMCUAckSign(read ? kSignEndRead : kSignEndWrite);
    } else if (read) {
        m_writer.SendData(kCmdRead, kAddrReadRequest,
                          static_cast<std::uint16_t>(m_transfer.address));
    } else {
        // The packet carries the slots of the step's module at the packet index. A HID packet
        // always carries 23 payload bytes, whatever its size byte says; a UART packet carries
        // exactly its size, so it is sized to the whole header and ten values.
        fillImagePacket(nStep, m_transfer.packetIndex * kValuesPerPacket);
        m_writer.SendPacktData(kCmdWrite, kAddrImagePacket,
                               uart() ? kImagePacketBytes : kHidImagePacketSize);
    }
}

void Link::Timer2Timer() {
    TransferState& t = m_transfer;
    if (t.ticks < kLateTicks) ++t.ticks;
    t.percent =
        t.lastStep == 0 ? 0 : static_cast<int>(roundHalfEven(t.currentStep * 100.0 / t.lastStep));
    ShowLinkStatus(2, m_label.text.caption, t.percent);

    if (t.state == kTransferAnswered || (t.state == kTransferUartAck && t.mode == kTransferWrite)) {
        if (t.currentStep > t.lastStep) {
            t.state = kTransferIdle;
            m_timers.transfer.stop();
            DisCheckWindow(kOpReadComplete);
            return;
        }
        if (t.packetIndex == packetCount(t.currentStep) - 1) {
            t.packetIndex = 0;
            ++t.currentStep;
        } else {
            ++t.packetIndex;
        }
        t.address = transferAddress(t.currentStep, t.packetIndex);
        SendPacketStep(t.currentStep, t.mode);
        t.state = kTransferStepSent;
        t.ticks = 0;
    } else if (t.state == kTransferStepSent && t.ticks > kDeadTicks) {
        if (t.currentStep == 0) SendPacketStep(0, t.mode);
        t.state = kTransferLate;
        t.ticks = 0;
    } else if (t.state == kTransferLate && t.ticks >= kLateTicks) {
        t.state = kTransferIdle;
        DisCheckWindow(kOpConnectionFailed);
    }
}

}  // namespace vt
