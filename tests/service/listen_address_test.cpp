// HOST:PORT for the WebSocket listener: loopback unless another address is written out, and a
// message that says what to write for every form that is refused.
#include <gtest/gtest.h>

#include <utility>

#include "service/listen_address.h"

namespace vt::service {
namespace {

TEST(ListenAddress, ReadsTheWrittenFormsAndRefusesTheOthers) {
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        quint16 port;
        const char* error;  // a part of the message when refused
    };
    const Case cases[] = {
        {"127.0.0.1:8765", "127.0.0.1", 8765, ""},
        {"[::1]:8765", "::1", 8765, ""},
        {"localhost:8765", "127.0.0.1", 8765, ""},
        {"LocalHost:1", "127.0.0.1", 1, ""},
        {":8765", "127.0.0.1", 8765, ""},
        {"0.0.0.0:65535", "0.0.0.0", 65535, ""},
        {"[::]:8765", "::", 8765, ""},
        {"192.168.1.20:8765", "192.168.1.20", 8765, ""},
        {"", nullptr, 0, "no address given"},
        {"8765", nullptr, 0, "has no port"},
        {"127.0.0.1", nullptr, 0, "has no port"},
        {"127.0.0.1:", nullptr, 0, "port '' is not a number"},
        {"127.0.0.1:0", nullptr, 0, "port '0' is not a number from 1 to 65535"},
        {"127.0.0.1:65536", nullptr, 0, "port '65536'"},
        {"127.0.0.1:99999999999999999999", nullptr, 0, "is not a number"},
        {"127.0.0.1:+80", nullptr, 0, "port '+80'"},
        {"127.0.0.1:80x", nullptr, 0, "port '80x'"},
        {"::1:8765", nullptr, 0, "goes in brackets"},
        {"[::1:8765", nullptr, 0, "no ']'"},
        {"[::1]8765", nullptr, 0, "has no port"},
        {"[127.0.0.1]:8765", nullptr, 0, "'127.0.0.1' is not an IP address"},
        {"example.lan:8765", nullptr, 0, "'example.lan' is not an IP address"},
        {"127.1:8765", nullptr, 0, "'127.1' is not an IP address"},
        {"0x7f.0.0.1:8765", nullptr, 0, "is not an IP address"},
        {"127.0.0.01:8765", nullptr, 0, "is not an IP address"},
        {"256.0.0.1:8765", nullptr, 0, "is not an IP address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ListenAddressParse parsed = parseListenAddress(c.text);
        if (c.host == nullptr) {
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
            continue;
        }
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.address.host, QHostAddress(QString::fromLatin1(c.host)));
        EXPECT_EQ(parsed.address.port, c.port);
    }
}

// The address a client is told is the one listened on, not the text it was read from.
TEST(ListenAddress, TheWebSocketUrlNamesTheAddressListenedOn) {
    const std::pair<const char*, const char*> cases[] = {
        {":8766", "ws://127.0.0.1:8766/"},
        {"localhost:8765", "ws://127.0.0.1:8765/"},
        {"0.0.0.0:80", "ws://0.0.0.0:80/"},
        {"[::1]:8765", "ws://[::1]:8765/"},
    };
    for (const auto& [text, url] : cases)
        EXPECT_EQ(webSocketUrl(parseListenAddress(text).address), url) << text;
}

}  // namespace
}  // namespace vt::service
