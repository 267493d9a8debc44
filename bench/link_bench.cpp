// Costs of the link's hot paths: one hold-timer tick, one Write parameter, one parse of each
// kind of frame from the unit, and a whole initial read against the simulated unit on a virtual
// clock with zero latency.
#include <benchmark/benchmark.h>

#include <vector>

#include "link/frames.h"
#include "link/link.h"
#include "sim/virtual_rig.h"

namespace {

using namespace vt;

struct DiscardTransport : Transport {
    TransportKind kind() const override { return TransportKind::UsbHid; }
    bool isOpen() const override { return true; }
    WriteResult write(std::span<const std::uint8_t>) override { return {}; }
};

struct NoTimer : TimerControl {
    bool active = false;
    void start() override { active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
};

// A connected link whose frames go nowhere.
struct ConnectedLink {
    ConnectedLink() {
        link.setTransport(&transport);
        model.bindControls();
        link.setLinkState(kConnected);
        link.uartAcknowledged();  // the unit has answered
    }
    NullLinkHost host;
    ParameterModel model;
    NoTimer hold, connect, transfer;
    DiscardTransport transport;
    Link link{model, host, LinkTimers{hold, connect, transfer}};
};

std::vector<std::uint8_t> sealed(std::vector<std::uint8_t> f) {
    const std::size_t last = f.size() - 1;
    f[last] = negativeChecksum(std::span(f).first(last));
    return f;
}

std::vector<std::uint8_t> report(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> f(head);
    f.resize(65, 0);
    return sealed(f);
}

// An idle connected link: four quiet ticks, then one that polls the unit (a 65-byte report and
// its history line); the unit answers every poll.
void BM_HoldTimerTimer(benchmark::State& state) {
    ConnectedLink c;
    for (auto _ : state) {
        c.link.HoldTimerTimer();
        if (c.link.sendState().answerFlag == 0) c.link.uartAcknowledged();
    }
}
BENCHMARK(BM_HoldTimerTimer);

// A write that goes out at once: both images, the frame, the history line.
void BM_SendDatatoMCU_AtOnce(benchmark::State& state) {
    ConnectedLink c;
    int v = 0;
    for (auto _ : state) {
        c.link.uartAcknowledged();
        c.model.SendDatatoMCU(0x0115, v++ & 0xFF);
    }
}
BENCHMARK(BM_SendDatatoMCU_AtOnce);

// A write while an answer is outstanding: it merges into the newest waiting entry.
void BM_SendDatatoMCU_Queued(benchmark::State& state) {
    ConnectedLink c;
    c.model.SendDatatoMCU(0x0115, 1);  // sent; the answer flag is now down
    int v = 0;
    for (auto _ : state) c.model.SendDatatoMCU(0x0115, v++ & 0xFF);
}
BENCHMARK(BM_SendDatatoMCU_Queued);

void parseBench(benchmark::State& state, const std::vector<std::uint8_t>& frame) {
    ConnectedLink c;
    for (auto _ : state) {
        c.link.ParseDeviceFrame(frame);
        c.link.setLinkState(kConnected);  // an error reply takes it offline
    }
}

const std::vector<std::uint8_t> kDataPacket =
    report({0x01, 0x57, 0x1A, 0xA0, 0x00, 0x39, 0x02, 0x14, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03,
            0x00, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x09, 0x00, 0x0A});
const std::vector<std::uint8_t> kAcknowledge = report(
    {0x01, 0x57, 0x11, 0xA7, 0x00, 0xFF, 0x00, 0x02, 0x80, 0x40, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x20});
const std::vector<std::uint8_t> kErrorReply =
    report({0x01, 0x57, 0x11, 0xA7, 0x00, 0xFF, 0x00, 0x06});
const std::vector<std::uint8_t> kOtherModule = report({0x01, 0x57, 0x11, 0xA7, 0x01, 0xFF});
const std::vector<std::uint8_t> kForeign = report({0x01, 0x58, 0x11, 0xA7, 0x00, 0xFF});
std::vector<std::uint8_t> mismatched(std::vector<std::uint8_t> f) {
    f.back() ^= 0x01;
    return f;
}

BENCHMARK_CAPTURE(parseBench, data_packet, kDataPacket);
BENCHMARK_CAPTURE(parseBench, acknowledge, kAcknowledge);
BENCHMARK_CAPTURE(parseBench, error_reply, kErrorReply);
BENCHMARK_CAPTURE(parseBench, checksum_mismatch, mismatched(kAcknowledge));
BENCHMARK_CAPTURE(parseBench, other_module, kOtherModule);
BENCHMARK_CAPTURE(parseBench, foreign_header, kForeign);

// From the unit's arrival to the connected state: start report, 17 requests, end sign.
void BM_InitialRead(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        NullLinkHost host;
        auto rig = std::make_unique<sim::VirtualRig>(host);
        rig->unit.setLatency(std::chrono::milliseconds(0));
        rig->unit.setKeepLog(false);
        state.ResumeTiming();
        if (!rig->connect()) state.SkipWithError("the read did not complete");
        benchmark::DoNotOptimize(rig->model.device.at(1, 20));
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InitialRead)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
