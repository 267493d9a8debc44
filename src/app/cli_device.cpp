// `vortella-cli devices | dump | save | set | load | store | restore | factory`: the device
// commands on the link engine, in a Qt event loop without widgets.
#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/capture_option.h"
#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_remote.h"
#include "app/cli_usage.h"
#include "app/device_session.h"
#include "app/language_choice.h"
#include "app/program_version.h"
#include "devices/device_path.h"
#include "link/device_list.h"
#include "link/link_constants.h"
#include "presets/preset_file.h"
#include "service/unit_json.h"
#include "service/unit_steps.h"

namespace vt::cli {
namespace {

using json = nlohmann::ordered_json;
using Step = DeviceSession::Step;

// A device's own string on one line: control characters (a tab, a line break) shown as '?'.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

// A listed device: its path (what --device takes), a tab, then its name and IDs.
std::string deviceLine(const HidDeviceInfo& d) {
    char ids[48];
    std::snprintf(ids, sizeof ids, "vendor 0x%.4X, product 0x%.4X", d.vendorId, d.productId);
    std::string line =
        oneLine(d.path) + "\t" + (d.product.empty() ? "(no product name)" : oneLine(d.product));
    line += " (" + std::string(ids);
    if (!d.serial.empty()) line += ", serial " + oneLine(d.serial);
    return line + ")";
}

devices::HubOptions hubOptions(const DeviceRequest& request,
                               std::shared_ptr<capture::PcapngWriter> capture) {
    devices::HubOptions options;
    options.transport = request.uart ? TransportKind::Uart : TransportKind::UsbHid;
    options.port = QString::fromStdString(request.port);
    options.devicePath = QString::fromStdString(request.device);
    options.simulate = request.simulate;
    options.capture = std::move(capture);
    return options;
}

// Writes the image as the window's Save does (to standard output for "-"); a file that cannot be
// written fails the step.
bool saveImage(DeviceSession& session, const ParameterModel& model, const std::string& file,
               std::ostream& out) {
    const std::string failure = writePresetOutput(
        file, presets::presetFileText(presets::savePresetLines(model.device, model.deviceVariant)),
        out);
    if (!failure.empty()) {
        session.failStep(failure, kExitOutput);
        return false;
    }
    return true;
}

// The step of one command; `first` when it follows the connection directly.
Step commandStep(DeviceSession& session, const DeviceCommand& command, bool first,
                 const presets::DecodedPreset* preset, std::ostream& out) {
    Step step;
    switch (command.kind) {
        case DeviceCommandKind::Dump:
            step = service::imageStep(session, first, [&out](const ParameterModel& image) {
                out << service::imageJson(image.device).dump() << "\n" << std::flush;
                return true;
            });
            break;
        case DeviceCommandKind::Save:
            step = service::imageStep(session, first,
                                      [&session, &out, &command](const ParameterModel& m) {
                                          return saveImage(session, m, command.file, out);
                                      });
            break;
        case DeviceCommandKind::Set:
            step = service::setStep(session, session.writes(),
                                    {command.address, static_cast<std::uint16_t>(command.value)});
            break;
        case DeviceCommandKind::Load:
            step = service::loadStep(session, *preset);
            break;
        case DeviceCommandKind::Store:
            step = service::storeStep(session);
            break;
        case DeviceCommandKind::Restore:
        case DeviceCommandKind::Factory:
            step = service::recallStep(session, command.kind == DeviceCommandKind::Factory);
            break;
        case DeviceCommandKind::Devices:
            break;
    }
    step.what = describe(command);
    return step;
}

void noteSimulatedOwner(std::ostream& err) {
    if (const std::string note = simulatedOwnerNote(); !note.empty()) err << note << "\n";
}

}  // namespace

int runDevice(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              DeviceImage* image) {
    DeviceRequest request;
    if (const ArgumentProblem p = parseDeviceRequest(args, request); p.exitCode) {
        err << "vortella-cli: " << p.message << "\n";
        if (p.exitCode == kExitUsage) err << kUsageSynopsis << "Try 'vortella-cli --help'.\n";
        return p.exitCode;
    }

    const int language = app::startLanguage(request.language, app::programSettings());

    // Preset files are read and checked before the unit is touched.
    std::vector<presets::DecodedPreset> presetFiles;
    presetFiles.reserve(request.commands.size());
    for (const auto& c : request.commands) {
        if (c.kind != DeviceCommandKind::Load) continue;
        presets::LoadOutcome loaded = presets::loadPresetFile(c.file, language);
        if (!loaded.message.empty()) {
            err << c.file << ": " << loaded.message << "\n";
            return kExitBadInput;
        }
        presetFiles.push_back(std::move(loaded.preset));
    }

    // The unit may belong to a program that serves it: the commands go through that owner.
    if (request.commands.front().kind != DeviceCommandKind::Devices) {
        if (const auto code = runThroughOwner(request, out, err, image)) return *code;
    }

    // A node named with --device that cannot be opened ends the run with the system's reason.
    if (!request.device.empty()) {
        if (const std::string why = devices::deviceOpenProblem(request.device, request.uart);
            !why.empty()) {
            err << "vortella-cli: " << why << "\n";
            return kExitDevice;
        }
    }
    std::shared_ptr<capture::PcapngWriter> capture;
    if (!request.capture.empty()) {
        std::string message;
        capture = app::openCapture(request.capture, "vortella-cli", app::kProgramVersion, message);
        if (!capture) {
            err << message << "\n";
            return kExitOutput;
        }
    }

    static int argc = 1;
    static char name[] = "vortella-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    DeviceSession session(hubOptions(request, capture), request.timeout, err);
    session.link().setLanguage(language);

    // No unit to list, while a program serves the simulated one: the user most likely meant it.
    if (request.commands.front().kind == DeviceCommandKind::Devices && !request.uart &&
        !request.simulate && session.hub().presentDevices().empty())
        noteSimulatedOwner(err);

    if (request.commands.front().kind == DeviceCommandKind::Devices) {
        if (request.uart) {
            for (const QString& port : session.hub().portList()) out << port.toStdString() << "\n";
        } else {
            for (const auto& d : HidCtlDeviceChange(session.hub().presentDevices()).devices)
                out << deviceLine(d) << "\n";
        }
        return kExitOk;
    }

    std::vector<Step> steps;
    steps.push_back({"connecting", nullptr, nullptr, [&session] { return session.connected(); }});
    std::size_t nextPreset = 0;
    for (const auto& c : request.commands) {
        const presets::DecodedPreset* preset =
            c.kind == DeviceCommandKind::Load ? &presetFiles[nextPreset++] : nullptr;
        steps.push_back(commandStep(session, c, steps.size() == 1, preset, out));
    }
    int code = session.run(std::move(steps));
    // The same when no unit was found to connect to.
    if (code == kExitDevice && !request.simulate && !request.uart && request.device.empty() &&
        session.hub().presentDevices().empty())
        noteSimulatedOwner(err);
    if (code == kExitOk && image) *image = session.model().device;
    if (capture && !capture->error().empty()) {
        err << "vortella-cli: capture " << request.capture << " stopped: " << capture->error()
            << "\n";
        if (code == kExitOk) code = kExitOutput;
    }
    return code;
}

}  // namespace vt::cli
