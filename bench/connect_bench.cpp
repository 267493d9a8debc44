// Connection time on real timers: from the simulated unit's arrival to "Device Connected",
// median of ten runs, beside the pacing floor that the link's timers set; and the CPU time the
// program spends per second while connected and idle.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include "devices/event_wait.h"

#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "link/transfer_layout.h"

namespace {

using namespace vt;

constexpr int kRuns = 10;
constexpr int kIdleSeconds = 5;
constexpr double kLimit = 1.1;

// Notes the moment the link label first reads "Device Connected".
class TimingHost : public NullLinkHost {
  public:
    explicit TimingHost(const QElapsedTimer& clock) : m_clock(clock) {}
    void linkLabelChanged(const LinkLabel& label) override {
        if (!connectedAt && label.text.caption == texts::kDeviceConnected.english)
            connectedAt = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
    }
    std::optional<double> connectedAt;

  private:
    const QElapsedTimer& m_clock;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// The program's side of one connection; the runtime goes first, before the host and model.
struct Rig {
    explicit Rig(const QElapsedTimer& clock) : host(clock), runtime(model, host, simulatedOnly()) {}
    static devices::HubOptions simulatedOnly() {
        devices::HubOptions options;
        options.simulate = true;
        return options;
    }
    ParameterModel model;
    TimingHost host;
    devices::LinkRuntime runtime;
};

// One arrival: the unit is taken away, then plugged in through the device-change path.
std::optional<double> connectOnce(Rig& rig, const QElapsedTimer& clock) {
    rig.model.bindControls();
    devices::SimulatedDevice& unit = *rig.runtime.hub().simulated();
    unit.unplug();
    const double arrival = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    unit.plugIn();
    if (!vt::devices::waitUntil([&] { return rig.host.connectedAt.has_value(); }, 10000))
        return std::nullopt;
    return *rig.host.connectedAt - arrival;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();

    int requests = 0;
    for (int m = 0; m <= link::kLastStep; ++m) requests += link::packetCount(m);
    const int ticks = requests + 1;  // requests 2..n and the end sign, then the finishing tick
    const double connectMs = static_cast<double>(link::kConnectPeriod.count());
    const double transferMs = static_cast<double>(link::kTransferPeriod.count());
    const double floorMs = connectMs + ticks * transferMs;

    std::vector<double> times;
    std::unique_ptr<Rig> last;
    for (int i = 0; i < kRuns; ++i) {
        last.reset();
        last = std::make_unique<Rig>(clock);
        const auto ms = connectOnce(*last, clock);
        if (!ms) {
            std::printf("run %d: no \"Device Connected\" within 10 s\n", i + 1);
            return 1;
        }
        times.push_back(*ms);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[kRuns / 2 - 1] + sorted[kRuns / 2]) / 2.0;
    const double ratio = median / floorMs;

    std::printf(
        "connect_bench: simulated unit (2 ms latency) through the device hub, real timers\n");
    std::printf("arrival -> \"Device Connected\", %d runs (ms):", kRuns);
    for (double t : times) std::printf(" %.1f", t);
    std::printf("\n  median %.1f ms, min %.1f, max %.1f\n", median, sorted.front(), sorted.back());
    std::printf("pacing floor %.0f ms = %.0f + %d x %.0f ms:\n", floorMs, connectMs, ticks,
                transferMs);
    std::printf(
        "  the connect timer starts at arrival; the unit's acknowledge is taken on its\n"
        "  first tick (%.0f ms), which sends read request 1 of %d; each %.0f ms transfer\n"
        "  tick then sends one more step (requests 2..%d, then the end-of-read sign:\n"
        "  %d ticks) and one more tick completes the read (%d ticks in all)\n",
        connectMs, requests, transferMs, requests, requests, ticks);
    std::printf("ratio median / floor: %.3f (limit %.1f): %s\n", ratio, kLimit,
                ratio < kLimit ? "within" : "ABOVE THE LIMIT");

    // Connected and idle: keep-alive polls every 125 ms, each answered by the unit.
    devices::SimulatedDevice& unit = *last->runtime.hub().simulated();
    const int answersBefore = unit.unit().answersSent();
    const double cpuBefore = cpuSeconds();
    const qint64 wallBefore = clock.elapsed();
    {
        QEventLoop idle;  // nothing of the bench's own runs meanwhile
        QTimer::singleShot(kIdleSeconds * 1000, Qt::PreciseTimer, &idle, &QEventLoop::quit);
        idle.exec();
    }
    const double wall = static_cast<double>(clock.elapsed() - wallBefore) / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    const bool stillConnected = last->runtime.link().linkState() == kConnected;
    std::printf(
        "idle while connected: %.1f s, CPU %.2f ms per s (%.2f %% of one core), %d "
        "keep-alive answers, %s\n",
        wall, cpu * 1000.0 / wall, cpu * 100.0 / wall, unit.unit().answersSent() - answersBefore,
        stillConnected ? "still connected" : "NOT CONNECTED");
    return ratio < kLimit && stillConnected ? 0 : 1;
}
