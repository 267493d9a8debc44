// Reading HOST:PORT for the WebSocket listener.
#include "service/listen_address.h"

#include <charconv>

namespace vt::service {
namespace {

constexpr const char* kExpected = "expected HOST:PORT, such as 127.0.0.1:8765, [::1]:8765 or :8765";

ListenAddressParse failure(std::string why) {
    ListenAddressParse result;
    result.error = std::move(why);
    return result;
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Four decimal numbers 0 to 255 joined by dots, without leading zeros: the short, octal and
// hexadecimal forms that address parsers also take are refused as too easily misread.
bool isDottedQuad(std::string_view text) {
    int parts = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part.front() == '0'))
            return false;
        int value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (error != std::errc() || end != part.data() + part.size() || value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    return parts == 4;
}

bool isLocalhost(std::string_view host) {
    constexpr std::string_view kName = "localhost";
    if (host.size() != kName.size()) return false;
    for (std::size_t i = 0; i < host.size(); ++i)
        if ((host[i] | 0x20) != kName[i]) return false;
    return true;
}

}  // namespace

ListenAddressParse parseListenAddress(std::string_view text) {
    if (text.empty()) return failure("no address given: " + std::string(kExpected));
    std::string_view host;
    std::string_view port;
    bool bracketed = false;
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return failure(quoted(text) + " has no ']' after the IPv6 address: " + kExpected);
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (rest.empty() || rest.front() != ':')
            return failure(quoted(text) + " has no port: " + kExpected);
        port = rest.substr(1);
        bracketed = true;
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string_view::npos)
            return failure(quoted(text) + " has no port: " + kExpected);
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return failure("an IPv6 address goes in brackets, as in [::1]:8765, not " +
                           quoted(text));
    }

    ListenAddressParse result;
    if (!bracketed && (host.empty() || isLocalhost(host))) {
        result.address.host = QHostAddress(QHostAddress::LocalHost);
    } else {
        const QString written = QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size()));
        const bool ok = bracketed
                            ? result.address.host.setAddress(written) &&
                                  result.address.host.protocol() == QAbstractSocket::IPv6Protocol
                            : isDottedQuad(host) && result.address.host.setAddress(written);
        if (!ok)
            return failure(quoted(host) + " is not an IP address: give one, such as 127.0.0.1, " +
                           "0.0.0.0 or [::1], or localhost");
    }

    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 1 ||
        number > 65535)
        return failure("the port " + quoted(port) + " is not a number from 1 to 65535");
    result.address.port = static_cast<quint16>(number);
    return result;
}

std::string webSocketUrl(const ListenAddress& address) {
    const std::string host = address.host.toString().toStdString();
    const bool v6 = address.host.protocol() == QAbstractSocket::IPv6Protocol;
    return "ws://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(address.port) + "/";
}

}  // namespace vt::service
