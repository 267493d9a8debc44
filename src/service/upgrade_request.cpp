// Reading the token and origin out of an HTTP upgrade request head.
#include "service/upgrade_request.h"

#include <QCryptographicHash>
#include <QString>
#include <QUrlQuery>
#include <algorithm>

#include "service/access_token.h"

namespace vt::service {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// An origin as written on the command line may end with the "/" of a URL; a browser's never does.
std::string_view withoutSlash(std::string_view origin) {
    if (!origin.empty() && origin.back() == '/') origin.remove_suffix(1);
    return origin;
}

bool originAllowed(std::string_view origin, const std::vector<std::string>& allowed) {
    return std::any_of(allowed.begin(), allowed.end(), [&](const std::string& entry) {
        return equalsIgnoringCase(withoutSlash(trimmed(entry)), origin);
    });
}

// The token of "Bearer TOKEN"; empty for any other scheme.
std::string_view bearerToken(std::string_view credentials) {
    constexpr std::string_view kScheme = "bearer";
    if (credentials.size() <= kScheme.size() ||
        !equalsIgnoringCase(credentials.substr(0, kScheme.size()), kScheme) ||
        (credentials[kScheme.size()] != ' ' && credentials[kScheme.size()] != '\t'))
        return {};
    return trimmed(credentials.substr(kScheme.size()));
}

std::string queryToken(std::string_view target) {
    const std::size_t mark = target.find('?');
    if (mark == std::string_view::npos) return {};
    const std::string_view query = target.substr(mark + 1);
    const QUrlQuery items(QString::fromLatin1(query.data(), static_cast<qsizetype>(query.size())));
    return items.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toStdString();
}

// The lines of a request head, the request line first.
std::vector<std::string_view> headLines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const std::size_t end = head.find("\r\n");
        lines.push_back(head.substr(0, end));
        if (end == std::string_view::npos) break;
        head.remove_prefix(end + 2);
    }
    return lines;
}

struct HeaderField {
    std::string_view name;
    std::string_view value;  // without the blanks around it
};

// The header fields of a head's lines (the request line and lines without a colon passed over).
std::vector<HeaderField> headerFields(const std::vector<std::string_view>& lines) {
    std::vector<HeaderField> fields;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t colon = lines[i].find(':');
        if (colon != std::string_view::npos)
            fields.push_back({lines[i].substr(0, colon), trimmed(lines[i].substr(colon + 1))});
    }
    return fields;
}

// The entries of a comma-separated header value, the empty ones left out.
std::vector<std::string_view> listEntries(std::string_view value) {
    std::vector<std::string_view> entries;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        if (const std::string_view entry = trimmed(value.substr(0, comma)); !entry.empty())
            entries.push_back(entry);
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return entries;
}

// Whether a comma-separated header value lists `word` (in any case).
bool listsWord(std::string_view value, std::string_view word) {
    const auto entries = listEntries(value);
    return std::any_of(entries.begin(), entries.end(),
                       [word](std::string_view entry) { return equalsIgnoringCase(entry, word); });
}

// The offered subprotocols of the head, in the order offered.
std::vector<std::string_view> offeredSubprotocols(const std::vector<std::string_view>& lines) {
    std::vector<std::string_view> offered;
    for (const HeaderField& field : headerFields(lines))
        if (equalsIgnoringCase(field.name, "sec-websocket-protocol"))
            for (const std::string_view entry : listEntries(field.value)) offered.push_back(entry);
    return offered;
}

bool isTokenSubprotocol(std::string_view protocol) {
    return protocol.substr(0, kTokenSubprotocolPrefix.size()) == kTokenSubprotocolPrefix;
}

std::string plainResponse(std::string_view status, std::string_view extra, std::string_view body) {
    std::string text = "HTTP/1.1 ";
    text += status;
    text += "\r\n";
    text += extra;
    text += "Content-Type: text/plain; charset=utf-8\r\nContent-Length: ";
    text += std::to_string(body.size());
    text += "\r\nConnection: close\r\n\r\n";
    text += body;
    return text;
}

}  // namespace

std::optional<std::string> webSocketKey(std::string_view head) {
    const std::vector<std::string_view> lines = headLines(head);
    if (lines.empty() || lines.front().substr(0, 4) != "GET ") return std::nullopt;
    bool upgrade = false, connection = false, version = false;
    std::optional<std::string> key;
    for (const auto& [name, value] : headerFields(lines)) {
        if (equalsIgnoringCase(name, "upgrade"))
            upgrade = listsWord(value, "websocket");
        else if (equalsIgnoringCase(name, "connection"))
            connection = listsWord(value, "upgrade");
        else if (equalsIgnoringCase(name, "sec-websocket-version"))
            version = value == "13";
        else if (equalsIgnoringCase(name, "sec-websocket-key"))
            key = std::string(value);
    }
    // The key is 16 random bytes in base64.
    if (!upgrade || !connection || !version || !key || key->size() != 24) return std::nullopt;
    const auto bytes = QByteArray::fromBase64Encoding(QByteArray::fromStdString(*key),
                                                      QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || bytes.decoded.size() != 16) return std::nullopt;
    return key;
}

bool asksToUpgrade(std::string_view head) {
    const std::vector<std::string_view> lines = headLines(head);
    return std::any_of(lines.begin() + (lines.empty() ? 0 : 1), lines.end(), [](auto line) {
        const std::size_t colon = line.find(':');
        return colon != std::string_view::npos &&
               equalsIgnoringCase(trimmed(line.substr(0, colon)), "upgrade");
    });
}

std::string chosenSubprotocol(std::string_view head) {
    const std::vector<std::string_view> offered = offeredSubprotocols(headLines(head));
    if (std::find(offered.begin(), offered.end(), kSubprotocol) != offered.end())
        return std::string(kSubprotocol);
    const auto token = std::find_if(offered.begin(), offered.end(), isTokenSubprotocol);
    return token != offered.end() ? std::string(*token) : std::string();
}

std::string switchingResponse(std::string_view key, std::string_view protocol) {
    static constexpr char kGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    QByteArray source = QByteArray::fromStdString(std::string(key));
    source += kGuid;
    const QByteArray accept = QCryptographicHash::hash(source, QCryptographicHash::Sha1).toBase64();
    return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Accept: " +
           accept.toStdString() + "\r\n" +
           (protocol.empty() ? std::string()
                             : "Sec-WebSocket-Protocol: " + std::string(protocol) + "\r\n") +
           "\r\n";
}

std::string notWebSocketResponse() {
    return plainResponse("400 Bad Request", "Sec-WebSocket-Version: 13\r\n",
                         "not a WebSocket handshake\n");
}

UpgradeVerdict checkUpgradeRequest(std::string_view head, const UpgradePolicy& policy) {
    const std::vector<std::string_view> lines = headLines(head);
    if (lines.empty()) return UpgradeVerdict::BadRequest;

    const std::string_view requestLine = lines.front();
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace <= firstSpace + 1 ||
        lastSpace + 1 == requestLine.size())
        return UpgradeVerdict::BadRequest;
    const std::string_view target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);

    bool authorised = sameToken(policy.token, queryToken(target));
    for (const std::string_view protocol : offeredSubprotocols(lines))
        if (isTokenSubprotocol(protocol))
            authorised = sameToken(policy.token, protocol.substr(kTokenSubprotocolPrefix.size())) ||
                         authorised;
    bool foreignOrigin = false;
    for (const auto& [name, value] : headerFields(lines)) {
        if (equalsIgnoringCase(name, "authorization"))
            authorised = sameToken(policy.token, bearerToken(value)) || authorised;
        else if (equalsIgnoringCase(name, "origin"))
            foreignOrigin = foreignOrigin || !originAllowed(value, policy.allowedOrigins);
    }
    if (!authorised) return UpgradeVerdict::Unauthorized;
    if (foreignOrigin) return UpgradeVerdict::Forbidden;
    return UpgradeVerdict::Accept;
}

std::string refusalResponse(UpgradeVerdict verdict) {
    const auto response = plainResponse;
    switch (verdict) {
        case UpgradeVerdict::Accept:
            return {};
        case UpgradeVerdict::BadRequest:
            return response("400 Bad Request", "", "not an HTTP request\n");
        case UpgradeVerdict::Unauthorized:
            return response("401 Unauthorized", "WWW-Authenticate: Bearer\r\n",
                            "the token is missing or wrong: see 'vortella-cli token'\n");
        case UpgradeVerdict::Forbidden:
            return response("403 Forbidden", "",
                            "pages of this origin may not connect: see --allow-origin\n");
    }
    return {};
}

}  // namespace vt::service
