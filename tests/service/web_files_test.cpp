// The answers to plain HTTP requests for the web app's files: the file with its type and security
// headers, 304 for a tag the browser holds, and refusals of unknown paths, traversal, bad escapes
// and other methods; and the built-in files themselves, whole and running no inline script.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QString>
#include <string>

#include "service/web_files.h"

namespace vt::service {
namespace {

constexpr std::string_view kIndex = "<!doctype html><title>t</title>";
constexpr std::string_view kScript = "export const a = 1;\n";
// The tags are the first 32 characters of the hash.
constexpr std::string_view kIndexHash =
    "1111111111111111111111111111111122222222222222222222222222222222";
constexpr std::string_view kScriptHash =
    "3333333333333333333333333333333344444444444444444444444444444444";
const std::string kIndexTag = "\"11111111111111111111111111111111\"";

const std::vector<WebFile> kFiles = {{"/index.html", kIndex, kIndexHash},
                                     {"/app.js", kScript, kScriptHash}};

std::string request(std::string_view line, std::string_view headers = {}) {
    return std::string(line) + "\r\nHost: 127.0.0.1:8765\r\n" + std::string(headers);
}

struct Response {
    std::string status;  // "200 OK"
    std::string head;    // the header lines, each ended by "\r\n"
    std::string body;
    bool has(std::string_view header) const {
        return head.find("\r\n" + std::string(header) + "\r\n") != std::string::npos ||
               head.rfind(std::string(header) + "\r\n", 0) == 0;
    }
};

Response split(const std::string& text) {
    Response r;
    const std::size_t lineEnd = text.find("\r\n");
    const std::size_t headEnd = text.find("\r\n\r\n");
    EXPECT_EQ(text.rfind("HTTP/1.1 ", 0), 0u) << text;
    if (lineEnd == std::string::npos || headEnd == std::string::npos) return r;
    r.status = text.substr(9, lineEnd - 9);
    r.head = text.substr(lineEnd + 2, headEnd + 2 - lineEnd - 2);
    r.body = text.substr(headEnd + 4);
    return r;
}

TEST(WebFiles, AFileComesWithItsTypeTagAndTheHeadersThatKeepThePageToItself) {
    struct Case {
        const char* what;
        std::string request;
        std::string status;
        std::string_view body;
        std::string type;
    };
    const std::string html = "text/html; charset=utf-8";
    const std::string js = "text/javascript; charset=utf-8";
    const Case cases[] = {
        {"the root is the page", request("GET / HTTP/1.1"), "200 OK", kIndex, html},
        {"by name, with a query", request("GET /index.html?v=2 HTTP/1.1"), "200 OK", kIndex, html},
        {"HTTP/1.0", request("GET /app.js HTTP/1.0"), "200 OK", kScript, js},
        {"an escaped letter", request("GET /%61pp.js HTTP/1.1"), "200 OK", kScript, js},
        {"HEAD: the headers alone", request("HEAD /app.js HTTP/1.1"), "200 OK", "", js},
        {"a tag held elsewhere", request("GET / HTTP/1.1", "If-None-Match: \"abc\"\r\n"), "200 OK",
         kIndex, html},
        {"the tag held", request("GET / HTTP/1.1", "If-None-Match: " + kIndexTag + "\r\n"),
         "304 Not Modified", "", ""},
        {"the tag among others, weak, the header in capitals",
         request("GET / HTTP/1.1", "IF-NONE-MATCH: \"x\", W/" + kIndexTag + "\r\n"),
         "304 Not Modified", "", ""},
        {"any tag", request("GET / HTTP/1.1", "If-None-Match: *\r\n"), "304 Not Modified", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Response r = split(answerWebRequest(c.request, kFiles));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.body, c.body);
        EXPECT_TRUE(r.has("Content-Security-Policy: default-src 'self'; frame-ancestors 'none'"));
        EXPECT_TRUE(r.has("X-Content-Type-Options: nosniff"));
        EXPECT_TRUE(r.has("Connection: close"));
        EXPECT_TRUE(r.has("Cache-Control: no-cache"));
        const bool page = c.type == html;
        EXPECT_TRUE(
            r.has(std::string("ETag: ") +
                  (page || c.type.empty() ? kIndexTag : "\"33333333333333333333333333333333\"")));
        if (!c.type.empty()) {
            EXPECT_TRUE(r.has("Content-Type: " + c.type));
            EXPECT_TRUE(
                r.has("Content-Length: " + std::to_string((page ? kIndex : kScript).size())));
        } else {
            EXPECT_EQ(r.head.find("Content-Length"), std::string::npos);
        }
    }
}

TEST(WebFiles, UnknownPathsTraversalBadEscapesAndOtherMethodsAreRefused) {
    struct Case {
        const char* what;
        std::string request;
        std::string status;
    };
    const Case cases[] = {
        {"unknown file", request("GET /secret.txt HTTP/1.1"), "404 Not Found"},
        {"a folder is not listed", request("GET /web/ HTTP/1.1"), "404 Not Found"},
        {"a doubled slash", request("GET //index.html HTTP/1.1"), "404 Not Found"},
        {"case matters", request("GET /INDEX.HTML HTTP/1.1"), "404 Not Found"},
        {"..", request("GET /../etc/passwd HTTP/1.1"), "400 Bad Request"},
        {".. at the end", request("GET /a/.. HTTP/1.1"), "400 Bad Request"},
        {".", request("GET /./index.html HTTP/1.1"), "400 Bad Request"},
        {"escaped ..", request("GET /%2e%2e/etc/passwd HTTP/1.1"), "400 Bad Request"},
        {"escaped .. in capitals", request("GET /%2E%2E/%2E%2E/etc/passwd HTTP/1.1"),
         "400 Bad Request"},
        {"half escaped ..", request("GET /.%2e/index.html HTTP/1.1"), "400 Bad Request"},
        {"escaped slash", request("GET /..%2fetc%2fpasswd HTTP/1.1"), "400 Bad Request"},
        {"escaped slash alone", request("GET /a%2Fb HTTP/1.1"), "400 Bad Request"},
        {"backslash", request("GET /..\\..\\etc HTTP/1.1"), "400 Bad Request"},
        {"escaped backslash", request("GET /%5c..%5cetc HTTP/1.1"), "400 Bad Request"},
        {"escaped NUL", request("GET /index.html%00.js HTTP/1.1"), "400 Bad Request"},
        {"escaped line feed", request("GET /%0aX HTTP/1.1"), "400 Bad Request"},
        {"bad escape", request("GET /%zz HTTP/1.1"), "400 Bad Request"},
        {"escape cut short", request("GET /%4 HTTP/1.1"), "400 Bad Request"},
        {"escape at the end", request("GET /% HTTP/1.1"), "400 Bad Request"},
        {"absolute form", request("GET http://evil.example/ HTTP/1.1"), "400 Bad Request"},
        {"asterisk", request("OPTIONS * HTTP/1.1"), "405 Method Not Allowed"},
        {"POST", request("POST / HTTP/1.1", "Content-Length: 0\r\n"), "405 Method Not Allowed"},
        {"lower-case method", request("get / HTTP/1.1"), "405 Method Not Allowed"},
        {"HTTP/2 preface", "PRI * HTTP/2.0\r\n", "400 Bad Request"},
        {"no version", "GET /\r\n", "400 Bad Request"},
        {"a space too many", request("GET / index.html HTTP/1.1"), "400 Bad Request"},
        {"empty", "", "400 Bad Request"},
        {"only spaces", "   \r\n", "400 Bad Request"},
        {"binary", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) + "\r\n",
         "400 Bad Request"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = answerWebRequest(c.request, kFiles);
        const Response r = split(text);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.has("X-Content-Type-Options: nosniff"));
        EXPECT_TRUE(r.has("Connection: close"));
        EXPECT_TRUE(r.has("Content-Length: " + std::to_string(r.body.size())));
        EXPECT_EQ(text.find(kIndex), std::string::npos);
        EXPECT_EQ(r.head.find("ETag"), std::string::npos);
    }
    EXPECT_TRUE(
        split(answerWebRequest(request("DELETE / HTTP/1.1"), kFiles)).has("Allow: GET, HEAD"));
}

TEST(WebFiles, TypesFollowTheExtension) {
    EXPECT_EQ(contentTypeFor("/style.css"), "text/css; charset=utf-8");
    EXPECT_EQ(contentTypeFor("/icon.svg"), "image/svg+xml");
    EXPECT_EQ(contentTypeFor("/data.json"), "application/json");
    EXPECT_EQ(contentTypeFor("/app.js.map.bin"), "application/octet-stream");
    EXPECT_EQ(contentTypeFor("/js"), "application/octet-stream");
}

// The page as built into the program: whole (its hash is its content's), every file it names is
// there, and it runs no inline script or style that the page's own policy would block.
TEST(WebFiles, TheBuiltInPageNamesOnlyItsOwnFilesAndRunsNoInlineScript) {
    const std::vector<WebFile>& files = builtInWebFiles();
    const auto find = [&](std::string_view path) -> const WebFile* {
        for (const WebFile& f : files)
            if (f.path == path) return &f;
        return nullptr;
    };
    for (const char* path : {"/index.html", "/app.js", "/style.css"}) {
        SCOPED_TRACE(path);
        const WebFile* file = find(path);
        ASSERT_TRUE(file);
        EXPECT_FALSE(file->body.empty());
        const QByteArray hash = QCryptographicHash::hash(
            QByteArray(file->body.data(), static_cast<qsizetype>(file->body.size())),
            QCryptographicHash::Sha256);
        EXPECT_EQ(file->sha256, hash.toHex().toStdString());
    }

    const QString page = QString::fromUtf8(
        find("/index.html")->body.data(), static_cast<qsizetype>(find("/index.html")->body.size()));
    // Every file the page names is served.
    const QRegularExpression named(QStringLiteral(R"re((?:src|href)="([^"]*)")re"));
    int names = 0;
    for (const auto& match : named.globalMatch(page)) {
        ++names;
        SCOPED_TRACE(match.captured(1).toStdString());
        EXPECT_TRUE(find("/" + match.captured(1).toStdString()));
    }
    EXPECT_GE(names, 2);
    // Scripts are modules from files; no handler attributes, style attributes or style blocks.
    const QRegularExpression script(QStringLiteral(R"re(<script\b([^>]*)>([^<]*)</script>)re"));
    for (const auto& match : script.globalMatch(page)) {
        EXPECT_TRUE(match.captured(1).contains(QStringLiteral("type=\"module\"")));
        EXPECT_TRUE(match.captured(1).contains(QStringLiteral("src=")));
        EXPECT_TRUE(match.captured(2).trimmed().isEmpty());
    }
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral(R"(\son[a-z]+\s*=)"))));
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral(R"(\sstyle\s*=|<style)"))));
}

}  // namespace
}  // namespace vt::service
