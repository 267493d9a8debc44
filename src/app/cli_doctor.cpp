// `vortella-cli doctor [--json]`: the checks of the system, then the units that may be opened are
// asked for the start report through the same link as every device command.
#include <QCoreApplication>
#include <algorithm>
#include <sstream>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_usage.h"
#include "app/device_session.h"
#include "app/doctor_report.h"
#include "app/doctor_system.h"
#include "devices/hid_access.h"
#include "devices/simulated_device.h"

namespace vt::cli {
namespace {

// Connects to the unit the programs would use and marks it answered when it does.
void probe(doctor::Findings& findings, bool simulate, std::chrono::milliseconds timeout) {
    const bool anyOpen =
        std::any_of(findings.units.begin(), findings.units.end(),
                    [](const auto& u) { return u.access != doctor::Access::Denied; });
    if (!anyOpen) return;
    static int argc = 1;
    static char name[] = "vortella-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    devices::HubOptions options;
    options.simulate = simulate;
    std::ostringstream progress;  // the link's progress is not part of the doctor's answer
    DeviceSession session(options, timeout, progress);
    const int result =
        session.run({{"connecting", nullptr, nullptr, [&session] { return session.connected(); }}});
    if (result != kExitOk) return;
    std::string used;
    if (session.hub().currentDevice() == session.hub().simulated())
        used = devices::kSimulatedPath;
    else if (const auto* hid =
                 dynamic_cast<const devices::HidDevice*>(session.hub().currentDevice()))
        used = hid->info().path;
    for (auto& u : findings.units)
        if (u.path == used) u.answered = true;
}

}  // namespace

int runDoctor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> options;
    bool json = false;
    bool named = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == kEndOfOptions) {
            optionsEnded = true;
        } else if (a == "doctor" && !named) {
            named = true;
        } else if (!optionsEnded && a == "--json") {
            json = true;
        } else if (!optionsEnded && isOptionWord(a)) {
            options.push_back(a);
            if (optionTakesValue(a) && i + 1 < args.size()) options.push_back(args[++i]);
        } else {
            err << "vortella-cli: doctor: unexpected argument '" << a << "'\n" << kUsageSynopsis;
            return kExitUsage;
        }
    }
    // The device options are read as for any device command.
    options.insert(options.begin(), "devices");
    DeviceRequest request;
    if (const ArgumentProblem p = parseDeviceRequest(options, request); p.exitCode) {
        err << "vortella-cli: doctor: " << p.message << "\n" << kUsageSynopsis;
        return p.exitCode;
    }
    if (request.uart) {
        err << "vortella-cli: doctor: looks at USB units and every serial port itself; leave out "
               "--transport\n";
        return kExitUsage;
    }

    doctor::Findings findings =
        doctor::examine(doctor::SystemFileSystem(), doctor::SystemProcessTable(),
                        doctor::currentUser(), doctor::checkoutRule());
    if (request.simulate) {
        doctor::UnitCheck sim;
        sim.path = devices::kSimulatedPath;
        sim.transport = doctor::Transport::Simulated;
        findings.units.push_back(sim);
    }
    probe(findings, request.simulate, request.timeout);
    out << (json ? doctor::reportJson(findings) : doctor::reportText(findings));
    return doctor::anyAnswered(findings) ? kExitOk : kExitDevice;
}

}  // namespace vt::cli
