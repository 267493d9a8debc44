// The simulated unit on its own: it checks what it hears, acts on good frames only, and answers
// in both forms, with latency and faults.
#include "sim/simulated_unit.h"

#include <gtest/gtest.h>

#include <numeric>

#include "link/recording_transport.h"
#include "support/hex.h"

namespace vt::sim {
namespace {

using std::chrono::milliseconds;
using test::toHex;

// Frames as the link builds them, handed to the unit.
class UnitHarness {
  public:
    explicit UnitHarness(TransportKind form = TransportKind::UsbHid) : unit(form) {
        transport.form = form;
        writer.setTransport(&transport);
        writer.setMask(buildLinkMask({9, 30, 15, 321}));
    }
    // Everything written since the last call reaches the unit at `now`.
    void deliver(milliseconds now = milliseconds(0)) {
        for (const auto& w : transport.writes) unit.receive(w, now);
        transport.writes.clear();
    }
    std::vector<std::vector<std::uint8_t>> answers() {
        std::vector<std::vector<std::uint8_t>> out;
        while (unit.hasAnswer()) out.push_back(unit.popAnswer().bytes);
        return out;
    }
    void start() {
        writer.PCtoMCUAckSign(0x11);
        deliver();
        answers();
    }
    SimulatedUnit unit;
    test::RecordingTransport transport;
    FrameWriter writer;
};

unsigned sum(const std::vector<std::uint8_t>& f) {
    return std::accumulate(f.begin(), f.end(), 0u) % 256;
}

TEST(SimulatedUnit, StartReportHandsOverTheMaskAndIsAcknowledged) {
    UnitHarness h;
    h.writer.PCtoMCUAckSign(0x11);
    h.deliver();
    EXPECT_EQ(h.unit.mask(), h.writer.mask());
    const auto a = h.answers();
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(a[0].size(), 65u);
    EXPECT_EQ(toHex(std::span(a[0]).first(8)), "01 57 11 A7 00 FF 00 02");
    EXPECT_EQ(sum(a[0]), 0u);
    // Master volume (Main slot 1) in bytes 17 and 18.
    EXPECT_EQ(a[0][17] * 256 + a[0][18], h.unit.image().at(1, 1));

    // The output levels in bytes 8 and 9 move as time passes.
    h.writer.PCtoMCUAckSign(0x66);
    h.deliver(milliseconds(400));
    const auto later = h.answers();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_NE(toHex(std::span(later[0]).subspan(8, 2)), toHex(std::span(a[0]).subspan(8, 2)));
}

TEST(SimulatedUnit, UnmasksAndChecksCommandFramesAndIgnoresBadOnes) {
    UnitHarness h;
    h.start();
    h.writer.SendData(0xA7, 0x0105, 77);
    auto good = h.transport.writes.at(0);
    h.transport.writes.clear();

    auto corrupt = good;
    corrupt[7] ^= 0x01;  // the value changed on the way: the sum no longer holds
    h.unit.receive(corrupt, milliseconds(0));
    EXPECT_FALSE(h.unit.hasAnswer());
    EXPECT_NE(h.unit.image().at(0x0105), 77);
    EXPECT_EQ(h.unit.rejectedFrames(), 1);

    UnitHarness stranger;  // never heard this link's start report: wrong mask
    stranger.unit.receive(good, milliseconds(0));
    EXPECT_FALSE(stranger.unit.hasAnswer());

    h.unit.receive(good, milliseconds(0));
    EXPECT_EQ(h.unit.image().at(0x0105), 77);
    EXPECT_EQ(h.answers().size(), 1u);
}

TEST(SimulatedUnit, AnswersReadRequestsWithTenValues) {
    UnitHarness h;
    h.start();
    h.writer.SendData(0xA0, 0x0039, 0x023C);  // module 2, slots 60..69
    h.deliver();
    const auto a = h.answers();
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(toHex(std::span(a[0]).first(8)), "01 57 1A A0 00 39 02 3C");
    for (int j = 0; j < 10; ++j)
        EXPECT_EQ(a[0][8 + 2 * j] * 256 + a[0][9 + 2 * j], j < 7 ? h.unit.image().at(2, 60 + j) : 0)
            << j;
    EXPECT_EQ(sum(a[0]), 0u);
}

TEST(SimulatedUnit, TakesImagePacketsAndBluetoothText) {
    UnitHarness h;
    h.start();
    auto p = h.writer.payload();
    p[0] = 1;
    p[1] = 20;
    for (std::size_t j = 0; j < 10; ++j) {
        p[2 + 2 * j] = 0x01;
        p[3 + 2 * j] = static_cast<std::uint8_t>(j);
    }
    h.writer.SendPacktData(0xA7, 0x0038, 20);
    const char text[] = "NA+KITCHEN";
    p[0] = 0x20;
    p[1] = 10;
    std::copy(text, text + 10, p.begin() + 2);
    h.writer.SendPacktData(0xA7, 0x0036, 20);
    h.deliver();
    for (int j = 0; j < 10; ++j) EXPECT_EQ(h.unit.image().at(1, 20 + j), 0x100 + j);
    EXPECT_EQ(h.unit.bluetoothText(), "NA+KITCHEN");
    EXPECT_EQ(h.answers().size(), 2u);
}

TEST(SimulatedUnit, StoreRestoreAndFactoryReset) {
    UnitHarness h;
    h.start();
    const int factoryDelay = h.unit.factory().at(0x0100);
    struct Step {
        std::uint16_t address;
        std::uint16_t value;
        int delayAfter;
    };
    for (const Step s : {Step{0x0100, 50, 50}, Step{0x000D, 0, 50}, Step{0x0100, 60, 60},
                         Step{0x000C, 0, 50}, Step{0x000C, 85, factoryDelay}}) {
        h.writer.SendData(0xA7, s.address, s.value);
        h.deliver();
        EXPECT_EQ(h.unit.image().at(0x0100), s.delayAfter) << s.address << "=" << s.value;
    }
    EXPECT_EQ(h.unit.storedImage().at(0x0100), 50);
    EXPECT_EQ(h.unit.image().at(0x000C), 0);  // commands are not parameters
}

TEST(SimulatedUnit, UnknownAddressesAndInjectedErrorsGetErrorReplies) {
    UnitHarness h;
    h.start();
    h.writer.SendData(0xA7, 0x0500, 1);  // no module 5
    h.deliver();
    h.unit.faults().errorReplies = 1;
    h.writer.SendData(0xA7, 0x0100, 33);  // not acted on
    h.writer.SendData(0xA7, 0x0100, 34);
    h.deliver();
    const auto a = h.answers();
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(toHex(std::span(a[0]).subspan(5, 3)), "FF 00 06");
    EXPECT_EQ(toHex(std::span(a[1]).subspan(5, 3)), "FF 00 06");
    EXPECT_EQ(toHex(std::span(a[2]).subspan(5, 3)), "FF 00 02");
    EXPECT_EQ(h.unit.image().at(0x0100), 34);
}

TEST(SimulatedUnit, AnswersKeepTheirOrderThroughLatencyAndLateness) {
    UnitHarness h;
    h.start();
    h.unit.setLatency(milliseconds(5));
    h.unit.faults().lateShare = 1.0;
    h.unit.faults().lateBy = milliseconds(100);
    h.writer.PCtoMCUAckSign(0x66);
    h.deliver(milliseconds(0));
    h.unit.faults().lateShare = 0.0;
    h.writer.PCtoMCUAckSign(0x66);
    h.deliver(milliseconds(10));
    ASSERT_TRUE(h.unit.hasAnswer());
    EXPECT_EQ(h.unit.popAnswer().due, milliseconds(105));
    EXPECT_EQ(h.unit.popAnswer().due, milliseconds(105));  // never overtakes the late one
}

TEST(SimulatedUnit, SilenceDropsAndCorruptionShapeTheAnswers) {
    UnitHarness h;
    h.start();
    h.unit.faults().corruptShare = 1.0;
    h.writer.PCtoMCUAckSign(0x66);
    h.deliver(milliseconds(0));
    const auto corrupt = h.answers();
    ASSERT_EQ(corrupt.size(), 1u);
    EXPECT_NE(sum(corrupt[0]), 0u);

    h.unit.faults() = {};
    h.unit.faults().dropShare = 0.5;
    for (int i = 0; i < 1000; ++i) h.writer.PCtoMCUAckSign(0x66);
    h.deliver(milliseconds(0));
    const auto kept = h.answers().size();
    EXPECT_GT(kept, 400u);
    EXPECT_LT(kept, 600u);

    h.unit.faults() = {};
    h.unit.faults().silentFrom = milliseconds(100);
    h.writer.SendData(0xA7, 0x0100, 12);
    h.deliver(milliseconds(100));
    EXPECT_FALSE(h.unit.hasAnswer());
    EXPECT_EQ(h.unit.image().at(0x0100), 12);  // heard and acted on, never answered
}

TEST(SimulatedUnit, UnpluggedItHearsNothingAndComesBackWithItsStoredSettings) {
    UnitHarness h;
    h.start();
    h.writer.SendData(0xA7, 0x0100, 99);
    h.deliver();
    ASSERT_TRUE(h.unit.hasAnswer());
    h.unit.unplug();
    EXPECT_FALSE(h.unit.hasAnswer());  // answers on their way are lost
    h.writer.SendData(0xA7, 0x0102, 98);
    h.deliver();
    EXPECT_FALSE(h.unit.hasAnswer());
    h.unit.replug();
    EXPECT_EQ(h.unit.image().at(0x0100), h.unit.storedImage().at(0x0100));
    EXPECT_EQ(h.unit.mask(), LinkMask{});
}

TEST(SimulatedUnitUart, AcknowledgesWritesAndServesTheSlotsEachRequestNames) {
    UnitHarness h(TransportKind::Uart);
    h.writer.SendData(0xA7, 0x0100, 5);
    h.writer.SendData(0xA0, 0x0039, 0x0000);
    h.writer.SendData(0xA0, 0x0039, 0x000A);
    h.writer.SendData(0xA0, 0x0039, 0x0100);
    h.writer.PCtoMCUAckSign(0x22);
    h.deliver();
    const auto a = h.answers();
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(toHex(a[0]), "FE BB");
    for (std::size_t i : {1u, 2u, 3u}) {
        ASSERT_EQ(a[i].size(), 29u);
        EXPECT_EQ(sum(a[i]), 0u);
    }
    EXPECT_EQ(toHex(std::span(a[1]).first(8)), "01 57 1A A0 00 39 00 00");
    EXPECT_EQ(toHex(std::span(a[2]).first(8)), "01 57 1A A0 00 39 00 0A");
    EXPECT_EQ(toHex(std::span(a[3]).first(10)), "01 57 1A A0 00 39 01 00 00 05");
    // A sign is answered with a framed status reply, which is what completes a UART read.
    EXPECT_EQ(toHex(std::span(a[4]).first(8)), "01 57 11 A7 00 FF 00 02");
    EXPECT_EQ(a[4].size(), 20u);
    EXPECT_EQ(h.unit.image().at(0x0100), 5);
}

TEST(SimulatedUnitUart, FindsFramesInAStreamWithNoiseAndSplits) {
    SimulatedUnit unit(TransportKind::Uart);
    const auto frame = FrameWriter::uartCommandFrame(0xA7, 0x0102, 0x0033);
    std::vector<std::uint8_t> stream{0x00, 0x55, 0x01, 0x99};  // noise, and a false start
    stream.insert(stream.end(), frame.begin(), frame.end());
    auto bad = frame;
    bad[7] ^= 0xFF;
    stream.insert(stream.end(), bad.begin(), bad.end());
    stream.insert(stream.end(), frame.begin(), frame.end());
    for (auto b : stream) unit.receive(std::span(&b, 1), milliseconds(0));
    int answers = 0;
    while (unit.hasAnswer())
        answers += unit.popAnswer().bytes == std::vector<std::uint8_t>{0xFE, 0xBB};
    EXPECT_EQ(answers, 2);
    EXPECT_EQ(unit.image().at(0x0102), 0x33);
    EXPECT_GE(unit.rejectedFrames(), 1);

    // An error reply on UART is a framed status reply.
    unit.faults().errorReplies = 1;
    unit.receive(frame, milliseconds(0));
    EXPECT_EQ(toHex(unit.popAnswer().bytes).substr(0, 23), "01 57 11 A7 00 FF 00 06");
}

TEST(SimulatedUnit, FactorySettingsAreVaried) {
    SimulatedUnit unit;
    const auto& f = unit.factory();
    std::set<int> freqs, gains;
    for (int band = 0; band < 9; ++band) {
        freqs.insert(f.at(1, 21 + 5 * band));
        gains.insert(f.at(1, 22 + 5 * band));
    }
    EXPECT_EQ(freqs.size(), 9u);
    EXPECT_GT(gains.size(), 5u);
    EXPECT_NE(f.at(0, 10), 0);           // input source other than the first
    EXPECT_NE(f.at(1, 0), 0);            // delays
    EXPECT_NE(f.at(1, 8), f.at(1, 12));  // a compressor curve
}

}  // namespace
}  // namespace vt::sim
