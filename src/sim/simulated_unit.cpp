// The simulated unit's behaviour: what it does with each frame it hears and how it answers.
#include "sim/simulated_unit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "link/device_frame.h"
#include "link/link_constants.h"
#include "link/transfer_layout.h"
#include "model/modules.h"
#include "sim/factory_image.h"
#include "sim/unit_answers.h"

namespace vt::sim {

using namespace link;

SimulatedUnit::SimulatedUnit(TransportKind form, std::uint32_t seed, int reportLength)
    : m_form(form),
      m_reportLength(reportLength),
      m_rng(seed),
      m_factory(factoryImage()),
      m_image(m_factory),
      m_stored(m_factory) {}

void SimulatedUnit::receive(std::span<const std::uint8_t> bytes, Millis now) {
    if (!m_plugged) return;
    if (m_form == TransportKind::UsbHid) {
        const auto request = bytes.size() == static_cast<std::size_t>(m_reportLength)
                                 ? decodeHidReport(bytes, m_mask)
                                 : std::nullopt;
        if (!request) {
            ++m_rejected;
            return;
        }
        handle(*request, now);
        return;
    }
    m_uartReader.feed(bytes);
    while (const auto request = m_uartReader.next()) handle(*request, now);
}

SimulatedUnit::Answer SimulatedUnit::popAnswer() {
    Answer a = std::move(m_outbox.front());
    m_outbox.pop_front();
    return a;
}

void SimulatedUnit::unplug() {
    m_plugged = false;
    m_outbox.clear();
}

void SimulatedUnit::replug() {
    m_plugged = true;
    m_image = m_stored;  // a unit powers up with its stored settings
    m_mask = {};
    m_uartReader = UartRequestReader{};
}

void SimulatedUnit::handle(const UnitRequest& r, Millis now) {
    if (m_keepLog) m_heard.push_back({r.kind, r.command, r.address, r.value, now});
    if (m_faults.errorReplies > 0) {
        --m_faults.errorReplies;
        errorReply(now);
        return;
    }
    switch (r.kind) {
        case UnitRequest::Kind::Start:
            m_mask = r.mask;
            acknowledge(now);
            break;
        case UnitRequest::Kind::Command:
            handleCommand(r, now);
            break;
        case UnitRequest::Kind::ImagePacket:
            handleImagePacket(r, now);
            break;
        case UnitRequest::Kind::BluetoothText: {
            const std::size_t n = r.payload.size() > 1 ? r.payload[1] : 0;
            const std::size_t end = std::min(r.payload.size(), 2 + n);
            m_bluetoothText.assign(r.payload.begin() + std::min<std::size_t>(2, end),
                                   r.payload.begin() + static_cast<std::ptrdiff_t>(end));
            acknowledge(now);
            break;
        }
    }
}

void SimulatedUnit::handleCommand(const UnitRequest& r, Millis now) {
    if (r.command == kCmdWrite) {
        handleWrite(r.address, r.value, now);
    } else if (r.command == kCmdRead && r.address == kAddrReadRequest) {
        handleRead(r.value, now);
    } else {
        errorReply(now);
    }
}

void SimulatedUnit::handleWrite(std::uint16_t address, std::uint16_t value, Millis now) {
    switch (address) {
        case kAddrSign:
            // Signs are answered with a status reply on either transport: it carries the levels
            // and the volume, and on UART it is what completes a read.
            statusReply(now, kStatusAcknowledge);
            return;
        case kAddrRecall:
            if (value == 0) m_image = m_stored;
            if (value == kRecallFactory) m_image = m_factory;
            break;
        case kAddrStore:
            if (value == 0) m_stored = m_image;
            break;
        default:
            if (!DeviceImage::containsAddress(address)) {
                errorReply(now);
                return;
            }
            m_image.set(address, value);
            break;
    }
    acknowledge(now);
}

void SimulatedUnit::handleRead(std::uint16_t value, Millis now) {
    // The request names the module and the first slot, on either transport.
    const int module = value >> 8;
    if (module >= kModuleCount) {
        errorReply(now);
        return;
    }
    const int first = value & 0xFF;
    std::array<std::uint16_t, 10> values{};
    for (int j = 0; j < kValuesPerPacket; ++j)
        if (DeviceImage::contains(module, first + j))
            values[static_cast<std::size_t>(j)] =
                static_cast<std::uint16_t>(m_image.at(module, first + j));
    send(dataPacket(m_form, static_cast<std::uint8_t>(module), static_cast<std::uint8_t>(first),
                    values, m_reportLength),
         now);
}

void SimulatedUnit::handleImagePacket(const UnitRequest& r, Millis now) {
    const auto& p = r.payload;
    if (p.size() < 2) {
        errorReply(now);
        return;
    }
    // The packet's header names the module and the first slot of the values that follow.
    const int module = p[0];
    if (module >= kModuleCount) {
        errorReply(now);
        return;
    }
    const int first = p[1];
    const int count = std::min<int>(kValuesPerPacket, static_cast<int>((p.size() - 2) / 2));
    for (int j = 0; j < count; ++j) {
        const auto i = static_cast<std::size_t>(2 + 2 * j);
        if (DeviceImage::contains(module, first + j))
            m_image.set(module, first + j, p[i] << 8 | p[i + 1]);
    }
    acknowledge(now);
}

std::uint8_t SimulatedUnit::level(Millis now, double periodMs, double phase) const {
    const double t = static_cast<double>(now.count()) / periodMs;
    const double v = 128.0 + 110.0 * std::sin(2.0 * std::numbers::pi * t + phase);
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

void SimulatedUnit::acknowledge(Millis now) {
    if (m_form == TransportKind::Uart) {
        send(uartAcknowledge(), now, false);
        return;
    }
    statusReply(now, kStatusAcknowledge);
}

void SimulatedUnit::statusReply(Millis now, std::uint16_t code) {
    StatusFields s;
    s.code = code;
    if (code == kStatusAcknowledge) {
        s.left = level(now, 1300.0, 0.0);
        s.right = level(now, 1700.0, 1.0);
        s.volume = static_cast<std::uint16_t>(m_image.at(kMainModule, slot_ids::kMainVolume));
    }
    send(sim::statusReply(m_form, s, m_reportLength), now);
}

void SimulatedUnit::errorReply(Millis now) {
    statusReply(now, kStatusError);
}

double SimulatedUnit::draw() {
    return static_cast<double>(m_rng()) / 4294967296.0;
}

void SimulatedUnit::send(std::vector<std::uint8_t> bytes, Millis now, bool hasChecksum) {
    auto chance = [this](double share) { return share > 0.0 && draw() < share; };
    if (m_faults.silentFrom && now >= *m_faults.silentFrom) return;
    if (chance(m_faults.dropShare)) return;
    if (hasChecksum && chance(m_faults.corruptShare)) bytes.back() ^= 0x5A;
    Millis due = now + m_latency;
    if (chance(m_faults.lateShare)) due += m_faults.lateBy;
    if (m_form == TransportKind::Uart && chance(m_faults.noiseShare)) {
        // Noise never contains a byte that starts a frame.
        const std::vector<std::uint8_t> noise{0x00, 0x55, 0xFF};
        bytes.insert(bytes.begin(), noise.begin(), noise.end());
    }
    due = std::max(due, m_lastDue);  // answers leave the unit in order
    m_lastDue = due;
    m_outbox.push_back({due, std::move(bytes)});
    ++m_answersSent;
}

}  // namespace vt::sim
