// Reading the broker's address and the password file.
#include "service/mqtt_address.h"

#include <charconv>

#include "service/private_file.h"

namespace vt::service {
namespace {

constexpr const char* kExpected = "expected [mqtt://][USER[:PASSWORD]@]HOST[:PORT]";
// A password is one line of a small file; a longer first line is no password.
constexpr std::size_t kPasswordLimit = 4096;

MqttAddressParse failure(std::string why) {
    MqttAddressParse result;
    result.error = std::move(why) + ": " + kExpected;
    return result;
}

}  // namespace

std::string withoutPassword(std::string_view text) {
    std::string shown(text);
    const std::size_t scheme = shown.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t at = shown.rfind('@');
    if (at == std::string::npos || at < start) return shown;
    const std::size_t colon = shown.find(':', start);
    if (colon == std::string::npos || colon > at) return shown;
    return shown.replace(colon + 1, at - colon - 1, "****");
}

MqttAddressParse parseMqttAddress(std::string_view text) {
    const std::string shown = "'" + withoutPassword(text) + "'";
    constexpr std::string_view kScheme = "mqtt://";
    if (text.substr(0, kScheme.size()) == kScheme) {
        text.remove_prefix(kScheme.size());
    } else if (text.find("://") != std::string_view::npos) {
        return failure(shown + " names another scheme than mqtt://");
    }
    MqttAddressParse result;
    MqttAddress& a = result.address;
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        const std::string_view credentials = text.substr(0, at);
        text.remove_prefix(at + 1);
        const std::size_t colon = credentials.find(':');
        a.user = std::string(credentials.substr(0, colon));
        if (colon != std::string_view::npos) {
            a.password = std::string(credentials.substr(colon + 1));
            a.hasPassword = true;
        }
        if (a.user.empty()) return failure(shown + " has no user name before '@'");
    }
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return failure(shown + " has no ']' after the IPv6 address");
        a.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return failure(shown + " has text after ']'");
        if (!rest.empty()) port = rest.substr(1);
        if (rest == ":") return failure(shown + " has no port after ':'");
    } else {
        const std::size_t colon = text.find(':');
        a.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) {
            port = text.substr(colon + 1);
            if (port.empty()) return failure(shown + " has no port after ':'");
        }
    }
    if (a.host.empty()) return failure(shown + " names no host");
    if (a.host.find_first_of("/?#@ ") != std::string::npos)
        return failure(shown + " is no host name");
    if (!port.empty()) {
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return failure(shown + ": the port must be 1 to 65535");
        a.port = value;
    }
    return result;
}

PasswordRead readPasswordFile(const std::string& path) {
    // The longest password and its line end.
    PrivateFileRead file = readPrivateFile(path, "password file", kPasswordLimit + 1);
    if (file.problem != PrivateFileProblem::None) return {{}, file.error};
    std::string line = file.text.substr(0, file.text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kPasswordLimit)
        return {{},
                path + ": the first line is longer than " + std::to_string(kPasswordLimit) +
                    " bytes; it holds no password"};
    if (line.empty()) return {{}, path + ": holds no password on its first line"};
    return {std::move(line), {}};
}

}  // namespace vt::service
