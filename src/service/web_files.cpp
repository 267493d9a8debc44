// Answering plain HTTP requests for the web app's built-in files. Qt-free, so that its fuzz
// target runs the same code.
#include "service/web_files.h"

#include <algorithm>
#include <optional>

#include "model/number_text.h"

namespace vt::service {
namespace {

// The page runs its own files only: no inline script, nothing from another host, not framed.
constexpr std::string_view kSecurityHeaders =
    "Content-Security-Policy: default-src 'self'; frame-ancestors 'none'\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Referrer-Policy: no-referrer\r\n";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lower(x) == lower(y); });
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string response(std::string_view status, std::string_view headers, std::string_view body,
                     bool withBody = true) {
    std::string text = "HTTP/1.1 ";
    text += status;
    text += "\r\n";
    text += headers;
    text += kSecurityHeaders;
    text += "Connection: close\r\n\r\n";
    if (withBody) text += body;
    return text;
}

std::string plain(std::string_view status, std::string_view body, std::string_view extra = {},
                  bool withBody = true) {
    std::string headers(extra);
    headers += "Content-Type: text/plain; charset=utf-8\r\nContent-Length: ";
    headers += std::to_string(body.size());
    headers += "\r\n";
    return response(status, headers, body, withBody);
}

// The path of an origin-form target ("/app.js?x=1") with its escapes decoded; nullopt when it
// is no plain path of a file: a bad escape, an encoded "/", a "\" or a control character, a "."
// or ".." segment.
std::optional<std::string> filePath(std::string_view target) {
    if (target.empty() || target.front() != '/') return std::nullopt;
    target = target.substr(0, target.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < target.size(); ++i) {
        char c = target[i];
        if (c == '%') {
            const int high = i + 2 < target.size() ? hexDigit(target[i + 1]) : -1;
            const int low = high >= 0 ? hexDigit(target[i + 2]) : -1;
            if (low < 0) return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            if (c == '/') return std::nullopt;
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') return std::nullopt;
        path += c;
    }
    for (std::size_t start = 1; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = std::string_view(path).substr(start, end - start);
        if (segment == "." || segment == "..") return std::nullopt;
        start = end + 1;
    }
    if (path == "/") path = "/index.html";
    return path;
}

// Whether an If-None-Match value ("\"abc\", W/\"def\"" or "*") names `tag`.
bool namesTag(std::string_view value, std::string_view tag) {
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string_view entry = trimmed(value.substr(0, comma));
        if (entry.substr(0, 2) == "W/") entry.remove_prefix(2);
        if (entry == "*" || entry == tag) return true;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

std::string_view contentTypeFor(std::string_view path) {
    struct Type {
        std::string_view extension;
        std::string_view type;
    };
    static constexpr Type kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".ico", "image/x-icon"},
        {".webmanifest", "application/manifest+json"},
    };
    for (const Type& t : kTypes)
        if (endsWith(path, t.extension)) return t.type;
    return "application/octet-stream";
}

std::string answerWebRequest(std::string_view head, const std::vector<WebFile>& files) {
    const std::size_t lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::size_t first = requestLine.find(' ');
    const std::size_t last = requestLine.rfind(' ');
    if (first == std::string_view::npos || last <= first + 1)
        return plain("400 Bad Request", "not an HTTP request\n");
    const std::string_view method = requestLine.substr(0, first);
    const std::string_view target = requestLine.substr(first + 1, last - first - 1);
    const std::string_view version = requestLine.substr(last + 1);
    if (version.substr(0, 7) != "HTTP/1." || target.find(' ') != std::string_view::npos)
        return plain("400 Bad Request", "not an HTTP/1 request\n");
    const bool headOnly = method == "HEAD";
    if (method != "GET" && !headOnly)
        return plain("405 Method Not Allowed", "only GET and HEAD are answered here\n",
                     "Allow: GET, HEAD\r\n");

    const std::optional<std::string> path = filePath(target);
    if (!path) return plain("400 Bad Request", "not a path of this page\n", {}, !headOnly);
    const auto file =
        std::find_if(files.begin(), files.end(), [&](const WebFile& f) { return f.path == *path; });
    if (file == files.end()) return plain("404 Not Found", "no such file\n", {}, !headOnly);

    const std::string tag = "\"" + std::string(file->sha256.substr(0, 32)) + "\"";
    // The names carry no hash, so every use asks again; an unchanged file costs a 304.
    std::string headers = "ETag: " + tag + "\r\nCache-Control: no-cache\r\n";
    std::string_view rest =
        lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 2);
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view line = rest.substr(0, end);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos &&
            equalsIgnoringCase(line.substr(0, colon), "if-none-match") &&
            namesTag(trimmed(line.substr(colon + 1)), tag))
            return response("304 Not Modified", headers, {});
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 2);
    }
    headers += "Content-Type: ";
    headers += contentTypeFor(file->path);
    headers += "\r\nContent-Length: " + std::to_string(file->body.size()) + "\r\n";
    return response("200 OK", headers, file->body, !headOnly);
}

}  // namespace vt::service
