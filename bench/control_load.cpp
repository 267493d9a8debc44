// Load on the control service: N clients, each on its own connection to the local socket, make M
// `set`s each to parameters of their own on the simulated unit, one at a time (as scripts do) or
// all at once. Prints the time, the throughput and the latency of the answers beside the link's
// own pace (the same writes queued straight into the link) and the hold timer's floor, then reads
// the unit again (`dump`) and checks that every acknowledged value is there and that the owner's
// image agrees with the unit's. A lost value, a disagreement, a failed set or clients that never
// finish make the exit status 1; nothing is timed against a limit.
//
// The service runs in this process, as `vortella-cli serve` runs it (a LinkRuntime with the
// simulated unit, the ControlService and its LocalEndpoint, in a temporary XDG_RUNTIME_DIR): that
// way the link alone can be measured on the same unit beside it, with nothing else in between.
// The clients have a thread of their own, so they do not share the owner's event loop.
//
// Usage: control_load [--clients N] [--sets M] [--pipelined]
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devices/event_wait.h"
#include "devices/link_runtime.h"
#include "link/link_state.h"
#include "load_clients.h"
#include "service/control_service.h"
#include "service/local_endpoint.h"

namespace {

using namespace vt;
using bench::PlannedSet;
using Clock = std::chrono::steady_clock;

struct Options {
    int clients = 8;
    int sets = 200;
    bool pipelined = false;
};

std::optional<Options> readOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        int* count = word == "--clients" ? &o.clients : word == "--sets" ? &o.sets : nullptr;
        if (word == "--pipelined") {
            o.pipelined = true;
        } else if (count && i + 1 < argc) {
            *count = std::atoi(argv[++i]);
            if (*count <= 0) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return o;
}

// Every parameter of the two equalisers (no command slot, nothing the link reads itself), dealt
// out to the clients in turn; value 1 + (client * M + i) % 0x7FFF, with 0x8000 added for the
// link-alone run, so that a value never comes back and the two runs never write the same one.
std::vector<std::vector<PlannedSet>> planSets(const Options& o, int phase) {
    std::vector<int> pool;
    for (int m : {kMainModule, kAuxModule})
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            pool.push_back(makeAddress(m, s));
    std::vector<std::vector<PlannedSet>> plans(static_cast<std::size_t>(o.clients));
    for (int c = 0; c < o.clients; ++c) {
        std::vector<int> own;
        for (std::size_t j = static_cast<std::size_t>(c); j < pool.size();
             j += static_cast<std::size_t>(o.clients))
            own.push_back(pool[j]);
        for (int i = 0; i < o.sets; ++i)
            plans[static_cast<std::size_t>(c)].push_back(
                {own[static_cast<std::size_t>(i) % own.size()],
                 phase * 0x8000 + 1 + (c * o.sets + i) % 0x7FFF});
    }
    return plans;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// The link alone: the writes go into the model and on to the link's send queue as the window's
// edits do, each writer waiting for the unit's answer before its next, `writers` at a time.
std::optional<double> linkAlone(ParameterModel& model, devices::LinkRuntime& runtime,
                                const std::vector<std::vector<PlannedSet>>& plans, int limitMs) {
    std::vector<std::size_t> next(plans.size(), 0);
    std::size_t open = 0;
    auto send = [&](std::size_t w) {
        const PlannedSet& set = plans[w][next[w]];
        model.SendDatatoMCU(set.address, set.value);
    };
    const auto connection = QObject::connect(
        &runtime, &devices::LinkRuntime::writeConfirmed, &runtime, [&](int address, int value) {
            for (std::size_t w = 0; w < plans.size(); ++w) {
                if (next[w] >= plans[w].size()) continue;
                const PlannedSet& set = plans[w][next[w]];
                if (set.address != address || set.value != value) continue;
                if (++next[w] < plans[w].size())
                    send(w);
                else
                    --open;
                return;
            }
        });
    const auto start = Clock::now();
    for (std::size_t w = 0; w < plans.size(); ++w) {
        if (plans[w].empty()) continue;
        ++open;
        send(w);
    }
    const bool done = devices::waitUntil([&] { return open == 0; }, limitMs);
    QObject::disconnect(connection);
    if (!done) return std::nullopt;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One call on the service from a thread of its own (the call blocks; the service runs here).
std::optional<service::RpcIncoming> callService(const std::string& path, const char* method,
                                                const service::Json& params, int timeoutMs) {
    std::optional<service::RpcIncoming> answer;
    std::unique_ptr<QThread> caller(QThread::create([&] {
        service::ControlConnection connection;
        if (connection.open(path, timeoutMs)) answer = connection.call(method, params, timeoutMs);
    }));
    caller->start();
    devices::waitUntil([&] { return caller->isFinished(); }, timeoutMs * 2);
    caller->wait();
    return answer;
}

// The image that `dump` answers: the owner's own, or with `fresh` read from the unit again.
std::optional<std::map<int, int>> dumpImage(const std::string& path, bool fresh) {
    const auto dump = callService(path, "dump", {{"fresh", fresh}}, 30000);
    if (!dump || !dump->ok || !dump->result.contains("slots")) {
        std::printf("dump: %s\n", dump ? dump->message.c_str() : "no answer");
        return std::nullopt;
    }
    std::map<int, int> image;
    for (const auto& slot : dump->result["slots"])
        image[makeAddress(slot[0].get<int>(), slot[1].get<int>())] = slot[2].get<int>();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto options = readOptions(argc, argv);
    const int poolSize = kSlotCount[kMainModule] + kSlotCount[kAuxModule];
    if (!options || options->clients > poolSize) {
        std::fprintf(stderr, "usage: control_load [--clients N (1..%d)] [--sets M] [--pipelined]\n",
                     poolSize);
        return 2;
    }
    const Options& o = *options;
    const int total = o.clients * o.sets;

    // A private runtime folder: the endpoint of the user's own owner stays untouched.
    QTemporaryDir runtimeDir;
    if (!runtimeDir.isValid() || !qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit())) {
        std::fprintf(stderr, "control_load: no temporary runtime folder\n");
        return 1;
    }
    ParameterModel model;
    model.bindControls();
    NullLinkHost host;
    devices::HubOptions hub;
    hub.simulate = true;
    devices::LinkRuntime runtime(model, host, hub);
    service::ServiceOptions serviceOptions;
    serviceOptions.unitName = [] { return std::string("simulated"); };
    service::ControlService service(model, runtime, serviceOptions);
    service::LocalEndpoint endpoint;
    QObject::connect(&endpoint, &service::LocalEndpoint::clientConnected, &service,
                     &service::ControlService::addClient);
    if (const auto listening = endpoint.listen(); !listening.listening) {
        std::fprintf(stderr, "control_load: %s\n", listening.problem.c_str());
        return 1;
    }
    runtime.hub().start();
    if (!devices::waitUntil([&] { return runtime.link().linkState() == kConnected; }, 15000)) {
        std::fprintf(stderr, "control_load: the simulated unit did not connect\n");
        return 1;
    }

    // A generous bound against a hang, not a figure: ten times the floor and a minute.
    const double tickMs = static_cast<double>(link::kHoldPeriod.count());
    // The first write goes out at once; every other one waits in the send queue for a tick.
    const int queued = std::max(total - 1, 1);
    const double floorSeconds = queued * tickMs / 1000.0;
    const int limitMs = static_cast<int>(std::min(floorSeconds * 10000 + 60000, 2e9));

    std::printf("control_load: %d clients x %d sets on the simulated unit, %s\n", o.clients, o.sets,
                o.pipelined ? "each client sending all its sets at once (pipelined)"
                            : "each client waiting for each answer");
    std::fflush(stdout);

    const auto alone = linkAlone(model, runtime, planSets(o, 1), limitMs);
    if (!alone) {
        std::printf("link alone: the writes were not all answered within %d s\n", limitMs / 1000);
        return 1;
    }

    const auto plans = planSets(o, 0);
    bench::LoadClients clients(endpoint.path(), plans, o.pipelined);
    clients.start();
    if (!devices::waitUntil([&] { return service.clientCount() == o.clients; }, 10000)) {
        std::printf("service: only %d of %d clients connected\n", service.clientCount(), o.clients);
        return 1;
    }
    clients.go();
    if (!devices::waitUntil([&] { return clients.done(); }, limitMs)) clients.stop();
    const bench::LoadResult result = clients.take();

    std::vector<double> latencies;
    std::size_t acknowledged = 0;
    std::vector<std::string> failures;
    std::map<int, int> lastAcknowledged;  // address -> the value of its last acknowledged set
    for (const auto& c : result.clients) {
        latencies.insert(latencies.end(), c.latenciesMs.begin(), c.latenciesMs.end());
        acknowledged += c.acknowledged.size();
        failures.insert(failures.end(), c.failures.begin(), c.failures.end());
        for (const PlannedSet& set : c.acknowledged) lastAcknowledged[set.address] = set.value;
    }
    if (!result.finished)
        std::printf("service: the clients were stopped after %d s\n", limitMs / 1000);
    std::printf("service: %zu of %d sets acknowledged in %.2f s: %.1f sets/s\n", acknowledged,
                total, result.seconds, result.seconds > 0 ? acknowledged / result.seconds : 0.0);
    std::printf("  latency request -> acknowledged answer: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0));
    std::printf("  failed: %zu\n", failures.size());
    for (std::size_t i = 0; i < failures.size() && i < 10; ++i)
        std::printf("    %s\n", failures[i].c_str());
    std::printf(
        "link alone: %d writes straight into the link, %d in flight: %.2f s: %.1f writes/s\n",
        total, o.clients, *alone, total / *alone);
    std::printf(
        "hold timer floor: %d queued writes x %.0f ms = %.2f s (%.1f writes/s): the first write\n"
        "  goes out at once; the others wait in the send queue, which the hold timer releases one\n"
        "  per tick once the unit has answered the write before\n",
        queued, tickMs, floorSeconds, 1000.0 / tickMs);
    if (o.clients == 1 && !o.pipelined)
        std::printf(
            "  (one client waiting for each answer never queues: each write goes out at once)\n");
    std::printf("ratio service / floor: %.3f, service / link alone: %.3f\n",
                result.seconds / floorSeconds, result.seconds / *alone);

    // What the owner believes the unit holds, then the unit's image read again: the latter holds
    // the last acknowledged value of every parameter, and the two agree.
    const auto owners = dumpImage(endpoint.path(), false);
    const auto image = dumpImage(endpoint.path(), true);
    if (!owners || !image) return 1;
    int differ = 0;
    for (const auto& [address, value] : *image)
        if (const auto it = owners->find(address); it == owners->end() || it->second != value)
            ++differ;
    int lost = 0;
    for (const auto& [address, value] : lastAcknowledged) {
        const auto it = image->find(address);
        if (it != image->end() && it->second == value) continue;
        if (++lost <= 10)
            std::printf("  lost: 0x%04X acknowledged %d, the unit holds %d\n", address, value,
                        it == image->end() ? -1 : it->second);
    }
    std::printf("dump: the owner's image differs from the unit's in %d parameters\n", differ);
    std::printf("dump (read from the unit again): %zu parameters checked, lost: %d\n",
                lastAcknowledged.size(), lost);
    return lost == 0 && differ == 0 && failures.empty() && result.finished ? 0 : 1;
}
