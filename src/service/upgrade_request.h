// The check of a WebSocket upgrade request before the handshake: the client's token and, from a
// browser, the page's origin. The HTTP refusal sent when the check fails.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::service {

enum class UpgradeVerdict {
    Accept,
    BadRequest,    // no request line "METHOD TARGET VERSION"
    Unauthorized,  // no token, or a wrong one
    Forbidden,     // an Origin that is not on the allowed list
};

struct UpgradePolicy {
    std::string token;
    // Origins whose pages may connect ("https://studio.example"); a request without an Origin
    // header comes from a program, not a page, and needs none.
    std::vector<std::string> allowedOrigins;
};

// `head` is the request line and header lines up to the blank line. The token is taken from an
// "Authorization: Bearer TOKEN" header or a "token" query item of the request target (pages
// cannot set headers on a WebSocket); either one being right is enough.
UpgradeVerdict checkUpgradeRequest(std::string_view head, const UpgradePolicy& policy);

// The whole HTTP response that refuses the request ("HTTP/1.1 401 Unauthorized ..."); empty for
// Accept.
std::string refusalResponse(UpgradeVerdict verdict);

// The client's Sec-WebSocket-Key when `head` asks for a WebSocket (a GET with "Upgrade:
// websocket", "Connection: Upgrade" and version 13); nullopt for any other request.
std::optional<std::string> webSocketKey(std::string_view head);

// The answer that completes the handshake for `key`: "HTTP/1.1 101 Switching Protocols" with its
// Sec-WebSocket-Accept.
std::string switchingResponse(std::string_view key);

// The answer to an authorised request that is no WebSocket handshake.
std::string notWebSocketResponse();

}  // namespace vt::service
