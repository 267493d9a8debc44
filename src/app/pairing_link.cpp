// Reading the host of a pairing address and writing the address.
#include "app/pairing_link.h"

#include <arpa/inet.h>

#include <algorithm>

namespace vt::app {
namespace {

constexpr const char* kExpected =
    "give an IP address (192.168.1.20, fe80::1) or a host name (studio.lan), without a port";

bool isLabel(std::string_view label) {
    const auto allowed = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    };
    return !label.empty() && label.size() <= 63 && label.front() != '-' && label.back() != '-' &&
           std::all_of(label.begin(), label.end(), allowed);
}

bool isHostName(std::string_view name) {
    if (name.empty() || name.size() > 253) return false;
    std::string_view last;
    while (true) {
        const std::size_t dot = name.find('.');
        last = name.substr(0, dot);
        if (!isLabel(last)) return false;
        if (dot == std::string_view::npos) break;
        name.remove_prefix(dot + 1);
    }
    // "10.1.2" is a mistyped address, not a name.
    return !std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

PairingHost pairingHost(std::string_view written) {
    PairingHost result;
    const std::string text(written);
    unsigned char bytes[16];
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1) {
        result.host = text;
        return result;
    }
    std::string bare = text;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    if (inet_pton(AF_INET6, bare.c_str(), bytes) == 1) {
        result.host = "[" + bare + "]";
        return result;
    }
    if (isHostName(written)) {
        result.host = text;
        result.isName = true;
        return result;
    }
    result.error = "'" + text + "' is no address of this machine: " + kExpected;
    return result;
}

std::string pairingAddress(std::string_view host, unsigned port, std::string_view token) {
    return "http://" + std::string(host) + ":" + std::to_string(port) +
           "/#token=" + std::string(token);
}

}  // namespace vt::app
