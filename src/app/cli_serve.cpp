// `vortella-cli serve`: the headless owner of the unit. It connects to the unit (and again after
// it was unplugged), and serves the control service on the user's local socket and, with
// --listen, on a token-guarded WebSocket.
#include <unistd.h>

#include <QCoreApplication>
#include <iostream>
#include <memory>
#include <optional>

#include "app/capture_option.h"
#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_link_host.h"
#include "app/cli_usage.h"
#include "app/language_choice.h"
#include "app/program_version.h"
#include "app/termination_signals.h"
#include "devices/device_path.h"
#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "link/device_list.h"
#include "service/access_token.h"
#include "service/control_service.h"
#include "service/listen_address.h"
#include "service/local_endpoint.h"
#include "service/mqtt_bridge.h"
#include "service/served_unit.h"
#include "service/websocket_listener.h"

namespace vt::cli {
namespace {

struct ServeRequest {
    DeviceRequest device;
    std::string listen;
    std::vector<std::string> origins;
    std::string mqtt;
    std::string mqttPasswordFile;
    std::optional<std::string> mqttPrefix;
};

int usage(std::ostream& err, const std::string& why) {
    err << "vortella-cli: " << why << "\n"
        << "usage: vortella-cli [DEVICE OPTIONS] serve [--listen HOST:PORT] "
           "[--allow-origin ORIGIN]...\n"
           "                   [--mqtt [mqtt://][USER[:PASSWORD]@]HOST[:PORT]] "
           "[--mqtt-password-file FILE] [--mqtt-prefix PREFIX]\n";
    return kExitUsage;
}

// Takes the options of serve out (--listen, --allow-origin and the --mqtt ones); the rest are
// the device options, read as a device command line would be.
int readServe(const std::vector<std::string>& args, ServeRequest& r, std::ostream& err) {
    std::vector<std::string> deviceWords;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        if (word == "serve") continue;
        std::string value;
        const auto eq = word.find('=');
        const std::string name = eq == std::string::npos ? word : word.substr(0, eq);
        if (name == "--listen" || name == "--allow-origin" || name == "--mqtt" ||
            name == "--mqtt-password-file" || name == "--mqtt-prefix") {
            if (eq != std::string::npos)
                value = word.substr(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                return usage(err, name + " needs a value");
            if (name == "--listen")
                r.listen = value;
            else if (name == "--allow-origin")
                r.origins.push_back(value);
            else if (name == "--mqtt")
                r.mqtt = value;
            else if (name == "--mqtt-password-file")
                r.mqttPasswordFile = value;
            else
                r.mqttPrefix = value;
            continue;
        }
        if (!isOptionWord(word)) return usage(err, "serve takes no argument '" + word + "'");
        deviceWords.push_back(word);
        if (eq == std::string::npos && optionTakesValue(word) && i + 1 < args.size())
            deviceWords.push_back(args[++i]);
    }
    deviceWords.push_back("dump");  // a command for the device line's reader; never run
    if (const ArgumentProblem p = parseDeviceRequest(deviceWords, r.device); p.exitCode)
        return usage(err, p.message);
    return -1;
}

// The broker's address, its password from a file, and the discovery prefix.
int readMqtt(const ServeRequest& r, std::optional<service::MqttBridgeOptions>& mqtt,
             std::ostream& err) {
    if (r.mqtt.empty()) {
        if (!r.mqttPasswordFile.empty() || r.mqttPrefix)
            return usage(err, "--mqtt-password-file and --mqtt-prefix are for --mqtt");
        return -1;
    }
    const service::MqttAddressParse parsed = service::parseMqttAddress(r.mqtt);
    if (!parsed.error.empty()) return usage(err, "--mqtt: " + parsed.error);
    service::MqttBridgeOptions options;
    options.broker = parsed.address;
    if (options.broker.hasPassword)
        err << "vortella-cli: serve: warning: the password in the --mqtt address shows in the "
               "process list to every user of this machine; keep it in a file given with "
               "--mqtt-password-file\n";
    if (!r.mqttPasswordFile.empty()) {
        if (options.broker.hasPassword)
            return usage(err, "--mqtt-password-file: the address holds a password already");
        if (options.broker.user.empty())
            return usage(err, "--mqtt-password-file: the address names no user (USER@HOST)");
        const service::PasswordRead read = service::readPasswordFile(r.mqttPasswordFile);
        if (!read.error.empty()) {
            err << "vortella-cli: serve: --mqtt-password-file: " << read.error << "\n";
            return kExitUsage;
        }
        options.broker.password = read.password;
        options.broker.hasPassword = true;
    }
    if (r.mqttPrefix) {
        if (const std::string why = service::mqtt::prefixProblem(*r.mqttPrefix); !why.empty())
            return usage(err, "--mqtt-prefix: " + why);
        options.discoveryPrefix = *r.mqttPrefix;
    }
    options.version = app::kProgramVersion;
    mqtt = std::move(options);
    return -1;
}

}  // namespace

int runServe(const std::vector<std::string>& args, std::ostream& err) {
    ServeRequest request;
    if (const int code = readServe(args, request, err); code >= 0) return code;
    const DeviceRequest& device = request.device;

    service::ListenAddress at;
    service::TokenFile token;
    if (!request.listen.empty()) {
        const service::ListenAddressParse parsed = service::parseListenAddress(request.listen);
        if (!parsed.error.empty()) return usage(err, "--listen: " + parsed.error);
        at = parsed.address;
        token = service::readOrCreateToken(service::defaultTokenPath());
        if (!token.error.empty()) {
            err << "vortella-cli: serve: " << token.error << "\n";
            return kExitOutput;
        }
    } else if (!request.origins.empty()) {
        return usage(err, "--allow-origin is for --listen");
    }
    std::optional<service::MqttBridgeOptions> mqtt;
    if (const int code = readMqtt(request, mqtt, err); code >= 0) return code;
    if (!device.device.empty()) {
        if (const std::string why = devices::deviceOpenProblem(device.device, device.uart);
            !why.empty()) {
            err << "vortella-cli: " << why << "\n";
            return kExitDevice;
        }
    }

    static int argc = 1;
    static char name[] = "vortella-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    // One owner per user: the endpoint is taken before the unit is touched.
    service::LocalEndpoint endpoint;
    const service::ListenOutcome listening = endpoint.listen();
    if (!listening.listening) {
        err << "vortella-cli: serve: " << listening.problem << "\n";
        return kExitDevice;
    }

    std::shared_ptr<capture::PcapngWriter> capture;
    if (!device.capture.empty()) {
        std::string message;
        capture = app::openCapture(device.capture, "vortella-cli", app::kProgramVersion, message);
        if (!capture) {
            err << message << "\n";
            return kExitOutput;
        }
    }
    devices::HubOptions options;
    options.transport = device.uart ? TransportKind::Uart : TransportKind::UsbHid;
    options.port = QString::fromStdString(device.port);
    options.devicePath = QString::fromStdString(device.device);
    options.simulate = device.simulate;
    options.capture = capture;

    const int language = app::startLanguage(device.language, app::programSettings());
    ParameterModel model;
    model.bindControls();
    CliLinkHost host(model, err);
    devices::LinkRuntime runtime(model, host, options);
    runtime.link().setLanguage(language);

    service::ServiceOptions serviceOptions;
    serviceOptions.program = "serve";
    serviceOptions.version = app::kProgramVersion;
    serviceOptions.requestTimeout = device.timeout;
    serviceOptions.language = language;
    serviceOptions.log = [&err](const std::string& line) {
        err << "serve: " << line << "\n" << std::flush;
    };
    serviceOptions.unitName = [&runtime, &options] {
        return service::servedUnitName(runtime.hub().listing(), options);
    };
    service::ControlService service(model, runtime, serviceOptions);
    QObject::connect(&endpoint, &service::LocalEndpoint::clientConnected, &service,
                     &service::ControlService::addClient);
    QObject::connect(&endpoint, &service::LocalEndpoint::listeningAgain, [&](const QString& why) {
        err << "serve: the control service's socket stopped listening (" << why.toStdString()
            << "); it listens again at " << endpoint.path() << "\n"
            << std::flush;
    });
    // Nobody could reach the unit any more: ending lets the service manager start serve again.
    QObject::connect(&endpoint, &service::LocalEndpoint::listeningLost, [&](const QString& why) {
        err << "vortella-cli: serve: the control service's socket stopped listening: "
            << why.toStdString() << "\n"
            << std::flush;
        QCoreApplication::exit(kExitDevice);
    });

    std::unique_ptr<service::WebSocketListener> remote;
    if (!request.listen.empty()) {
        remote = std::make_unique<service::WebSocketListener>(
            service::UpgradePolicy{token.token, request.origins});
        remote->followTokenFile(service::defaultTokenPath());
        QString why;
        if (!remote->listen(at, why)) {
            err << "vortella-cli: serve: cannot listen on " << request.listen << ": "
                << why.toStdString() << "\n";
            return kExitDevice;
        }
        QObject::connect(remote.get(), &service::WebSocketListener::clientConnected, &service,
                         &service::ControlService::addClient);
        const std::string url = service::webSocketUrl(at);
        err << "serve: WebSocket clients at " << url << ", the web app at http" << url.substr(2)
            << " ('vortella-cli pair' prints the address with the token)\n";
    }
    err << "serve: control service at " << endpoint.path() << " (pid " << getpid() << ")\n"
        << std::flush;

    std::unique_ptr<service::MqttBridge> bridge;
    if (mqtt) {
        mqtt->unit = [&runtime, &options] {
            const DeviceListing& listing = runtime.hub().listing();
            service::MqttUnit unit;
            unit.id = service::servedUnitName(listing, options);
            if (listing.unit >= 0 && options.transport == TransportKind::UsbHid) {
                const HidDeviceInfo& info = listing.devices[static_cast<std::size_t>(listing.unit)];
                if (!info.serial.empty() && unit.id != "simulated") unit.id = info.serial;
                unit.model = info.product;
            }
            return unit;
        };
        bridge = std::make_unique<service::MqttBridge>(service, std::move(*mqtt), err);
        QObject::connect(&runtime, &devices::LinkRuntime::levelMeterChanged, bridge.get(),
                         &service::MqttBridge::setLevel);
    }

    app::TerminationSignals termination([](int) { QCoreApplication::quit(); });
    runtime.hub().start();
    const int code = QCoreApplication::exec();
    err << "serve: stopped\n";
    return code;
}

}  // namespace vt::cli
