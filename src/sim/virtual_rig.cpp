// Wiring of the virtual rig and delivery of the unit's answers.
#include "sim/virtual_rig.h"

#include <algorithm>

#include "link/link_constants.h"
#include "link/link_texts.h"
#include "model/slot_map.h"

namespace vt::sim {

WriteResult UnitTransport::write(std::span<const std::uint8_t> bytes) {
    const int before = m_unit.answersSent();
    m_unit.receive(bytes, m_clock.now());
    if (m_unit.answersSent() != before)
        m_clock.schedule(m_unit.lastDue(), [this] { deliverDue(); });
    return {};
}

void UnitTransport::deliverDue() {
    while (m_unit.hasAnswer() && m_unit.nextDue() <= m_clock.now()) {
        const SimulatedUnit::Answer a = m_unit.popAnswer();
        deliver(a.bytes);
    }
}

void UnitTransport::deliver(std::span<const std::uint8_t> bytes) {
    if (!m_link) return;
    if (m_unit.form() == TransportKind::UsbHid) {
        m_link->ParseDeviceFrame(bytes);
        return;
    }
    // UART: skip noise up to the first byte that starts an acknowledge or a frame.
    std::size_t i = 0;
    while (i < bytes.size() && bytes[i] != 0xFE && bytes[i] != 0x01) ++i;
    const auto frame = bytes.subspan(i);
    if (frame.size() >= 2 && frame[0] == 0xFE) {
        if (frame[1] == 0xBB || frame[1] == 0xAA) m_link->uartAcknowledged();
    } else if (!frame.empty()) {
        m_link->uartFrameReceived(frame);
    }
}

std::vector<int> userWritableAddresses() {
    std::vector<int> out;
    for (const auto& b : SlotMap::instance().bindings()) {
        const int a = makeAddress(b.module, b.slot);
        if (a != link::kAddrRecall && a != link::kAddrStore) out.push_back(a);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

VirtualRig::VirtualRig(LinkHost& host, TransportKind form, std::uint32_t seed, int reportLength)
    : holdTimer(clock.addTimer(link::kHoldPeriod, [this] { link.HoldTimerTimer(); })),
      connectTimer(clock.addTimer(link::kConnectPeriod, [this] { link.Timer1Timer(); })),
      transferTimer(clock.addTimer(link::kTransferPeriod, [this] { link.Timer2Timer(); })),
      unit(form, seed, reportLength),
      transport(unit, clock),
      link(model, host, LinkTimers{holdTimer, connectTimer, transferTimer}) {
    transport.setLink(&link);
    link.setTransport(&transport);
    link.setTimeOfDay([this] {
        // The day starts at 13:45:07 on the virtual clock.
        const long long ms = 49507000LL + clock.now().count();
        return TimeOfDay{static_cast<int>(ms / 3600000 % 24), static_cast<int>(ms / 60000 % 60),
                         static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    });
    model.bindControls();
}

void VirtualRig::plugIn() {
    unit.replug();
    link.ShowLinkStatus(1, {});
    link.LinkBtnClick();
}

void VirtualRig::unplug() {
    unit.unplug();
    link.ShowLinkStatus(0, texts::kOffline);
}

bool VirtualRig::connect(std::chrono::milliseconds limit) {
    plugIn();
    return clock.runUntil(
        [this] { return link.linkState() == kConnected && !transferTimer.isActive(); }, limit);
}

bool VirtualRig::settle(std::chrono::milliseconds limit) {
    return clock.runUntil(
        [this] {
            const SendState& s = link.sendState();
            return link.linkState() == kConnected && !transferTimer.isActive() && s.queue.empty() &&
                   s.repeatFlag == 0 && s.pendingOperation == kOpNone && !unit.hasAnswer();
        },
        limit);
}

}  // namespace vt::sim
