// The simulated unit: the unit's side of every exchange, on USB-HID or UART. It keeps its own
// parameter image, a stored copy and its factory settings, and answers after a configurable
// latency. It has no clock of its own: it is told the time with every frame it hears, and the
// driver (a virtual clock, or real timers) collects each answer when it falls due.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "link/frames.h"
#include "link/transport.h"
#include "model/shadow_images.h"
#include "sim/unit_requests.h"

namespace vt::sim {

using Millis = std::chrono::milliseconds;

// Faults to inject; shares are probabilities from 0 to 1, drawn from the unit's seeded generator.
struct UnitFaults {
    std::optional<Millis> silentFrom;  // frames heard from this moment on are acted on, unanswered
    double dropShare = 0.0;            // answers lost on the way
    double lateShare = 0.0;            // answers that come `lateBy` late
    Millis lateBy{200};
    double corruptShare = 0.0;  // answers whose checksum byte is wrong
    int errorReplies = 0;       // the next frames are not acted on but answered with code 6
    double noiseShare = 0.0;    // UART: noise bytes before an answer
};

class SimulatedUnit {
  public:
    struct Answer {
        Millis due;
        std::vector<std::uint8_t> bytes;
    };

    // What the unit was told, in order (frames it rejected are only counted).
    struct Heard {
        UnitRequest::Kind kind;
        std::uint8_t command;
        std::uint16_t address;
        std::uint16_t value;
        Millis at;
    };

    // `reportLength`: bytes of every HID report the unit takes and sends, report ID included.
    // Like a real device it refuses an output report of any other length.
    explicit SimulatedUnit(TransportKind form = TransportKind::UsbHid, std::uint32_t seed = 1,
                           int reportLength = kDefaultReportLength);

    TransportKind form() const { return m_form; }
    int reportLength() const { return m_reportLength; }
    void setLatency(Millis latency) { m_latency = latency; }
    Millis latency() const { return m_latency; }
    UnitFaults& faults() { return m_faults; }

    // Frame in: one HID output report (report ID first), or UART bytes in any pieces.
    void receive(std::span<const std::uint8_t> bytes, Millis now);

    // Answers out, in the order sent; their due times never decrease.
    bool hasAnswer() const { return !m_outbox.empty(); }
    Millis nextDue() const { return m_outbox.front().due; }
    Millis lastDue() const { return m_lastDue; }
    Answer popAnswer();

    // Unplugging loses the answers on their way; plugging in again starts from the stored copy.
    void unplug();
    void replug();
    bool plugged() const { return m_plugged; }

    DeviceImage& image() { return m_image; }
    const DeviceImage& image() const { return m_image; }
    const DeviceImage& storedImage() const { return m_stored; }
    const DeviceImage& factory() const { return m_factory; }
    const LinkMask& mask() const { return m_mask; }
    const std::string& bluetoothText() const { return m_bluetoothText; }

    const std::vector<Heard>& heard() const { return m_heard; }
    void clearHeard() { m_heard.clear(); }
    void setKeepLog(bool keep) { m_keepLog = keep; }
    int rejectedFrames() const { return m_rejected + m_uartReader.rejected(); }
    int answersSent() const { return m_answersSent; }

  private:
    void handle(const UnitRequest& r, Millis now);
    void handleCommand(const UnitRequest& r, Millis now);
    void handleWrite(std::uint16_t address, std::uint16_t value, Millis now);
    void handleRead(std::uint16_t value, Millis now);
    void handleImagePacket(const UnitRequest& r, Millis now);
    void acknowledge(Millis now);
    void statusReply(Millis now, std::uint16_t code);
    void errorReply(Millis now);
    void send(std::vector<std::uint8_t> bytes, Millis now, bool hasChecksum = true);
    double draw();
    std::uint8_t level(Millis now, double periodMs, double phase) const;

    TransportKind m_form;
    int m_reportLength;
    Millis m_latency{2};
    UnitFaults m_faults;
    std::mt19937 m_rng;

    DeviceImage m_factory;
    DeviceImage m_image;
    DeviceImage m_stored;
    LinkMask m_mask{};
    std::string m_bluetoothText;
    bool m_plugged = true;

    UartRequestReader m_uartReader;
    std::deque<Answer> m_outbox;
    Millis m_lastDue{0};
    std::vector<Heard> m_heard;
    bool m_keepLog = true;
    int m_rejected = 0;
    int m_answersSent = 0;
};

}  // namespace vt::sim
