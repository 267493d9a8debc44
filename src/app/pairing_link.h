// The address that pairs a phone or browser with the owner: the web app's page with the token in
// its fragment, which browsers never send in a request.
#pragma once

#include <string>
#include <string_view>

namespace vt::app {

struct PairingHost {
    std::string host;     // as it stands in the address: "192.168.1.20", "[fe80::1]", "studio.lan"
    std::string error;    // empty when `host` holds the result
    bool isName = false;  // a host name rather than an IP address
};

// `written` as given to `pair --address`: an IPv4 address, an IPv6 address (with or without its
// brackets) or a host name (letters, digits and "-" in labels joined by "."). Anything else, a
// port or a path included, gets a message that says what to write.
PairingHost pairingHost(std::string_view written);

// "http://HOST:PORT/#token=TOKEN"; `host` as pairingHost() gives it.
std::string pairingAddress(std::string_view host, unsigned port, std::string_view token);

}  // namespace vt::app
