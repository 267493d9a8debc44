// Device commands as requests to the owner's control service.
#include "app/cli_remote.h"

#include <QFileInfo>
#include <QString>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "service/endpoint_path.h"
#include "service/local_endpoint.h"
#include "service/served_unit.h"
#include "service/unit_json.h"
#include "service/unit_session.h"

namespace vt::cli {
namespace {

using service::Json;

constexpr int kConnectMs = 1000;
// The owner keeps its own time limit per request; the command line waits a little longer so
// that the owner's answer, not a silence, tells why a request failed.
constexpr int kGraceMs = 2000;

Json requestParams(const DeviceCommand& c, bool fresh) {
    switch (c.kind) {
        case DeviceCommandKind::Set:
            return {{"address", c.address}, {"value", c.value}};
        case DeviceCommandKind::Load:
            return {{"path",
                     QFileInfo(QString::fromStdString(c.file)).absoluteFilePath().toStdString()}};
        case DeviceCommandKind::Dump:
        case DeviceCommandKind::Save:
            return {{"fresh", fresh}};
        default:
            return Json::object();
    }
}

const char* methodOf(DeviceCommandKind kind) {
    switch (kind) {
        case DeviceCommandKind::Dump:
            return "dump";
        case DeviceCommandKind::Save:
            return "save";
        case DeviceCommandKind::Set:
            return "set";
        case DeviceCommandKind::Load:
            return "load";
        case DeviceCommandKind::Store:
            return "store";
        case DeviceCommandKind::Restore:
            return "restore";
        case DeviceCommandKind::Factory:
            return "factory";
        case DeviceCommandKind::Devices:
            break;
    }
    return "";
}

}  // namespace

std::optional<int> runThroughOwner(const DeviceRequest& request, std::ostream& out,
                                   std::ostream& err, DeviceImage* image) {
    const service::EndpointFolder folder = service::endpointFolder(false);
    if (!folder.problem.empty()) return std::nullopt;
    service::ControlConnection connection;
    if (!connection.open(folder.socket, kConnectMs)) return std::nullopt;
    const auto status = connection.call("status", Json::object(), kConnectMs);
    if (status && !status->ok && status->code == service::kTooManyClients) {
        // The owner is there but full: a link of our own would pass it by, or find the unit
        // held, and neither is what the user asked for.
        err << "vortella-cli: the control service at " << folder.socket
            << " has no room for another client (" << status->message << ")\n";
        return kExitDevice;
    }
    if (!status || !status->ok ||
        !service::servesUnit(status->result, request.simulate, request.device))
        return std::nullopt;
    const std::string owner = service::describeOwner(status->result);
    if (!request.capture.empty()) {
        err << "vortella-cli: --capture records a link of this program's own, but the unit is "
               "served by "
            << owner << "; capture there, or stop it first\n";
        return kExitDevice;
    }
    err << "vortella-cli: through the control service of " << owner << "\n" << std::flush;

    const int waitMs = static_cast<int>(request.timeout.count()) + kGraceMs;
    bool first = true;
    for (const DeviceCommand& c : request.commands) {
        const std::string what = describe(c);
        const auto answer = connection.call(methodOf(c.kind), requestParams(c, !first), waitMs);
        first = false;
        if (!answer) {
            err << "vortella-cli: " << what << " failed: "
                << (connection.closed()
                        ? "the owner, " + owner + ", ended during the request"
                        : service::noAnswerText(request.timeout, "served by " + owner))
                << "\n";
            return kExitDevice;
        }
        if (!answer->ok) {
            err << "vortella-cli: " << what << " failed: " << answer->message << "\n";
            const int code = service::exitCodeOf(answer->code);
            return code == kExitUsage ? kExitDevice : code;
        }
        if (c.kind == DeviceCommandKind::Dump) {
            out << answer->result.dump() << "\n" << std::flush;
            if (image) service::imageFromJson(answer->result, *image);
        } else if (c.kind == DeviceCommandKind::Save) {
            const std::string failure =
                writePresetOutput(c.file, answer->result.value("text", std::string()), out);
            if (!failure.empty()) {
                err << "vortella-cli: " << what << " failed: " << failure << "\n";
                return kExitOutput;
            }
        }
        err << "done: " << what << "\n" << std::flush;
    }
    return kExitOk;
}

std::string simulatedOwnerNote() {
    const service::EndpointFolder folder = service::endpointFolder(false);
    if (!folder.problem.empty()) return {};
    service::ControlConnection connection;
    if (!connection.open(folder.socket, kConnectMs)) return {};
    const auto status = connection.call("status", Json::object(), kConnectMs);
    if (!status || !status->ok || !service::servesUnit(status->result, true, {})) return {};
    return "vortella-cli: no unit was found; " + service::describeOwner(status->result) +
           " serves the simulated unit, which --simulate reaches";
}

}  // namespace vt::cli
