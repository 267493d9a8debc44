// The HID reader on a hidraw node served through FUSE, with the simulated unit behind it: the
// CPU the program spends per second while connected to an idle unit, how often the reader thread
// wakes, and the time from a parameter write to the unit's acknowledge arriving. Needs root (or
// FUSE for the user); says so and exits 2 when the node cannot be mounted.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "devices/event_wait.h"
#include "devices/hid_access.h"
#include "devices/link_runtime.h"
#include "fuse_hidraw.h"

namespace {

using namespace vt;

constexpr int kIdleSeconds = 5;
constexpr int kWrites = 40;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    test::FuseHidrawOptions options;
    options.descriptor = test::unitDescriptor(64, true);
    options.unitReportLength = 65;
    test::FuseHidraw node(dir.path().toStdString(), "hidraw-unit", options);
    if (!node.isMounted()) {
        std::printf("hid_reader_bench: %s\n", node.why().c_str());
        return 2;
    }

    ParameterModel model;
    model.bindControls();
    NullLinkHost host;
    devices::HubOptions hub;
    hub.devicePath = QString::fromStdString(node.path());
    devices::LinkRuntime runtime(model, host, hub);
    runtime.hub().start();
    if (!devices::waitUntil([&] { return runtime.link().linkState() == kConnected; }, 20000)) {
        std::printf("hid_reader_bench: no connection to %s\n", node.path().c_str());
        return 1;
    }
    auto* device = dynamic_cast<devices::HidDevice*>(runtime.hub().currentDevice());
    if (!device) return 1;
    runEventLoopFor(500);  // past the connection's own bursts

    // Connected and idle: the link polls every 125 ms and the unit answers each poll.
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds() - node.cpuSeconds();
    const auto wakeUpsBefore = device->readerWakeUps();
    const auto writesBefore = node.reportsWritten();
    runEventLoopFor(kIdleSeconds * 1000);
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double cpuMs = (cpuSeconds() - node.cpuSeconds() - cpuBefore) * 1000.0 / seconds;
    const double wakeUps = static_cast<double>(device->readerWakeUps() - wakeUpsBefore) / seconds;
    const double polls = static_cast<double>(node.reportsWritten() - writesBefore) / seconds;

    // Writes one at a time, each timed from the call to the arrival of the answer that confirms it.
    std::vector<double> latencies;
    QElapsedTimer sent;
    std::uint32_t awaited = 0;
    QObject::connect(device, &devices::HidDevice::reportReceived, [&] {
        if (awaited && runtime.link().sendState().confirmedWrites >= awaited) {
            latencies.push_back(static_cast<double>(sent.nsecsElapsed()) / 1e6);
            awaited = 0;
        }
    });
    for (int i = 0; i < kWrites; ++i) {
        devices::waitUntil([&] { return runtime.link().sendState().answerFlag == 1; }, 2000);
        awaited = runtime.link().sendState().confirmedWrites + 1;
        sent.start();
        model.SendDatatoMCU(makeAddress(1, 22), 100 + i % 50);
        devices::waitUntil([&] { return awaited == 0; }, 2000);
        runEventLoopFor(20);
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies.empty()
                   ? 0.0
                   : latencies[std::min(latencies.size() - 1,
                                        static_cast<std::size_t>(q * latencies.size()))];
    };

    std::printf("hid_reader_bench: FUSE hidraw node, simulated unit (2 ms latency), real hidapi\n");
    std::printf(
        "idle while connected, %.1f s: CPU of the program %.2f ms per s (the node's own "
        "threads left out), reader wake-ups %.1f per s, "
        "reports written %.1f per s (keep-alive polls)\n",
        seconds, cpuMs, wakeUps, polls);
    std::printf(
        "write -> acknowledge on the node, %zu writes: median %.2f ms, p90 %.2f ms, max "
        "%.2f ms\n",
        latencies.size(), at(0.5), at(0.9), latencies.empty() ? 0.0 : latencies.back());
    return 0;
}
