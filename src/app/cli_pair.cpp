// `vortella-cli pair`: the address that pairs a phone or browser with the owner's web app, printed
// and drawn as a QR code, with the token in the address's fragment.
#include <unistd.h>

#include <QHostAddress>
#include <QNetworkInterface>
#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/pairing_link.h"
#include "app/terminal_qr.h"
#include "service/access_token.h"
#include "service/listen_address.h"

namespace vt::cli {
namespace {

// The port of the examples, when neither --listen nor --port names one.
constexpr unsigned kDefaultPort = 8765;
// Light modules around the code: two are enough for phone cameras on a plain background.
constexpr int kQuietZone = 2;

int usage(std::ostream& err, const std::string& why) {
    err << "vortella-cli: pair: " << why << "\n"
        << "usage: vortella-cli pair [--listen HOST:PORT | --port PORT] [--address HOST]\n";
    return kExitUsage;
}

// The first address of this machine that another one on its network can reach: IPv4, up, not
// loopback, not link-local.
std::optional<std::string> networkAddress() {
    for (const QNetworkInterface& face : QNetworkInterface::allInterfaces()) {
        const auto flags = face.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : face.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback() &&
                !ip.isLinkLocal())
                return ip.toString().toStdString();
        }
    }
    return std::nullopt;
}

bool isLoopback(const std::string& host) {
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
    return bare == "localhost" || QHostAddress(QString::fromStdString(bare)).isLoopback();
}

}  // namespace

int runPair(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> listen, port, address;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const auto eq = word.find('=');
        const std::string name = eq == std::string::npos ? word : word.substr(0, eq);
        std::optional<std::string>* slot = name == "--listen"    ? &listen
                                           : name == "--port"    ? &port
                                           : name == "--address" ? &address
                                                                 : nullptr;
        if (!slot) return usage(err, "unknown argument '" + word + "'");
        if (*slot) return usage(err, name + " is given twice");
        if (eq != std::string::npos)
            *slot = word.substr(eq + 1);
        else if (i + 1 < args.size())
            *slot = args[++i];
        else
            return usage(err, name + " needs a value");
    }
    if (listen && port) return usage(err, "give --listen or --port, not both");

    unsigned portNumber = kDefaultPort;
    std::optional<QHostAddress> listenHost;
    if (listen) {
        const service::ListenAddressParse parsed = service::parseListenAddress(*listen);
        if (!parsed.error.empty()) return usage(err, "--listen: " + parsed.error);
        portNumber = parsed.address.port;
        listenHost = parsed.address.host;
    } else if (port) {
        const auto [end, error] =
            std::from_chars(port->data(), port->data() + port->size(), portNumber);
        if (port->empty() || error != std::errc() || end != port->data() + port->size() ||
            portNumber < 1 || portNumber > 65535)
            return usage(err, "--port: '" + *port + "' is not a number from 1 to 65535");
    }
    const bool everyAddress =
        listenHost && (*listenHost == QHostAddress::Any || *listenHost == QHostAddress::AnyIPv4 ||
                       *listenHost == QHostAddress::AnyIPv6);

    std::string host;
    bool isName = false;
    if (address) {
        const app::PairingHost given = app::pairingHost(*address);
        if (!given.error.empty()) return usage(err, "--address: " + given.error);
        host = given.host;
        isName = given.isName;
    } else if (listenHost && !everyAddress) {
        host = app::pairingHost(listenHost->toString().toStdString()).host;
    } else {
        host = networkAddress().value_or("127.0.0.1");
    }

    const std::optional<std::string> token = userToken("pair", err);
    if (!token) return kExitOutput;

    const std::string link = app::pairingAddress(host, portNumber, *token);
    const std::optional<app::QrModules> code = app::qrCode(link);
    if (!code) {
        err << "vortella-cli: pair: the address does not fit in a QR code\n";
        return kExitBadInput;
    }
    out << link << "\n"
        << app::drawQr(*code, kQuietZone,
                       ::isatty(STDOUT_FILENO) ? app::QrColours::Terminal : app::QrColours::Plain);

    if (!listen && !port)
        err << "pair: the port is " << kDefaultPort
            << "; give the one of 'serve --listen' with --port or --listen\n";
    if (isLoopback(host))
        err << "pair: " << host
            << " is reached from this machine only; for a phone, serve with --listen 0.0.0.0:"
            << portNumber << " and pair with --address and this machine's address\n";
    else if (listenHost && listenHost->isLoopback())
        err << "pair: serve listens on " << listenHost->toString().toStdString()
            << " only: a phone reaches it with --listen 0.0.0.0:" << portNumber << "\n";
    if (isName)
        err << "pair: a page from a host name is let in with 'serve --allow-origin http://" << host
            << ":" << portNumber << "'\n";
    return kExitOk;
}

}  // namespace vt::cli
