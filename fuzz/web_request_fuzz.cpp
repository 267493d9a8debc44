// Fuzz target: a request head as a browser (or anyone) sends it for the web app's files. Every
// answer is one whole response that ends the connection and keeps its security headers; a file
// is sent only whole, with its own length, and never for a path that climbs out with "..".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/web_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data), size);
    const std::string answer = vt::service::answerWebRequest(head, vt::service::builtInWebFiles());
    const std::size_t end = answer.find("\r\n\r\n");
    if (answer.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) std::abort();
    const std::string_view headers = std::string_view(answer).substr(0, end + 2);
    if (headers.find("\r\nConnection: close\r\n") == std::string_view::npos ||
        headers.find("\r\nX-Content-Type-Options: nosniff\r\n") == std::string_view::npos)
        std::abort();
    if (answer.rfind("HTTP/1.1 200 OK\r\n", 0) == 0) {
        const std::string_view line = head.substr(0, head.find("\r\n"));
        if (line.find("..") != std::string_view::npos &&
            line.find("/../") != std::string_view::npos)
            std::abort();
        const std::string_view body = std::string_view(answer).substr(end + 4);
        const std::string length = "\r\nContent-Length: ";
        const std::size_t at = headers.find(length);
        if (at == std::string_view::npos) std::abort();
        const std::size_t declared = std::stoul(std::string(headers.substr(at + length.size())));
        if (!body.empty() && body.size() != declared) std::abort();
        bool known = body.empty();
        for (const auto& file : vt::service::builtInWebFiles()) known = known || file.body == body;
        if (!known) std::abort();
    }
    return 0;
}
