// Where `serve --listen HOST:PORT` listens: the address text read into an address and a port.
#pragma once

#include <QHostAddress>
#include <string>
#include <string_view>

namespace vt::service {

struct ListenAddress {
    QHostAddress host;
    quint16 port = 0;
};

struct ListenAddressParse {
    ListenAddress address;
    std::string error;  // empty when `address` holds the result
};

// "127.0.0.1:8765", "[::1]:8765", "localhost:8765" or ":8765" (the loopback address 127.0.0.1).
// The host is the loopback address unless another one is named as an IP address (0.0.0.0 and
// [::] included): no name is looked up, so the service never reaches further than was written.
// The port is 1 to 65535. Bad input gets a message that says what to write instead.
ListenAddressParse parseListenAddress(std::string_view text);

// The WebSocket address of a listening service, as clients write it: the address itself, never
// the text it was read from (":8765" is "ws://127.0.0.1:8765/"), an IPv6 one in brackets.
std::string webSocketUrl(const ListenAddress& address);

}  // namespace vt::service
