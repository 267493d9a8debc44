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

// The WebSocket subprotocol of the service's clients, and the prefix of the one that carries the
// token: a page offers "vortella" and "vortella.token.TOKEN" (the only header it can set).
inline constexpr std::string_view kSubprotocol = "vortella";
inline constexpr std::string_view kTokenSubprotocolPrefix = "vortella.token.";

// `head` is the request line and header lines up to the blank line. The token is taken from an
// "Authorization: Bearer TOKEN" header, a "token" query item of the request target, or an offered
// subprotocol "vortella.token.TOKEN" (which keeps it out of the request line and of logs); any
// one being right is enough.
UpgradeVerdict checkUpgradeRequest(std::string_view head, const UpgradePolicy& policy);

// The whole HTTP response that refuses the request ("HTTP/1.1 401 Unauthorized ..."); empty for
// Accept.
std::string refusalResponse(UpgradeVerdict verdict);

// The client's Sec-WebSocket-Key when `head` asks for a WebSocket (a GET with "Upgrade:
// websocket", "Connection: Upgrade" and version 13); nullopt for any other request.
std::optional<std::string> webSocketKey(std::string_view head);

// The subprotocol the handshake answers with: "vortella" when offered, else the first offered
// token subprotocol (a browser refuses an answer that names none of those it offered); empty
// when the client offered neither.
std::string chosenSubprotocol(std::string_view head);

// The answer that completes the handshake for `key`: "HTTP/1.1 101 Switching Protocols" with its
// Sec-WebSocket-Accept, and Sec-WebSocket-Protocol when `protocol` is not empty.
std::string switchingResponse(std::string_view key, std::string_view protocol = {});

// Whether the head asks to switch to another protocol (has an Upgrade header): such a request
// is a handshake, good or bad, never a request for a file.
bool asksToUpgrade(std::string_view head);

// The answer to an authorised request that asks to upgrade but is no good WebSocket handshake.
std::string notWebSocketResponse();

}  // namespace vt::service
