// The web app's files as the service's HTTP side serves them at its --listen address: the answer
// to a plain GET or HEAD (not a WebSocket handshake), made from the files built into the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt::service {

struct WebFile {
    std::string_view path;    // "/index.html"
    std::string_view body;    // the bytes as sent
    std::string_view sha256;  // of the body, 64 lowercase hexadecimal characters
};

// The files of web/, built into the program; "/" is "/index.html".
const std::vector<WebFile>& builtInWebFiles();

// "text/html; charset=utf-8" and so on by the path's extension; "application/octet-stream" for
// one that is not known.
std::string_view contentTypeFor(std::string_view path);

// The whole HTTP response to the request `head` (request line and headers up to the blank line):
// the file with its type, a strong ETag from its content hash, a 304 when If-None-Match names
// that tag, and headers that keep the page to its own files (Content-Security-Policy
// "default-src 'self'", nosniff). A path that is not one of `files` is 404; one with ".." or "."
// segments, an encoded "/", "\" or control character, or a bad escape is 400; a method other
// than GET and HEAD is 405. No folder is listed: there are no folders, only files. The
// connection is closed after every answer.
std::string answerWebRequest(std::string_view head, const std::vector<WebFile>& files);

}  // namespace vt::service
