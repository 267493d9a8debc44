// Fuzz target: bytes a WebSocket client sends, read as the service reads them, in one piece and
// split at a point the input chooses. Both reads give the same events; every message is UTF-8
// within the limit, and nothing comes after a close or a failure.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "service/websocket_frames.h"

namespace {

using namespace vt::service::ws;

constexpr std::size_t kLimit = 4096;

std::vector<Event> readInPieces(std::string_view bytes, std::size_t split) {
    FrameReader reader(kLimit);
    std::vector<Event> events;
    for (std::string_view piece : {bytes.substr(0, split), bytes.substr(split)}) {
        reader.feed(piece);
        while (auto e = reader.next()) events.push_back(*e);
    }
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t split = data[0] % size;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto whole = readInPieces(bytes, bytes.size());
    const auto pieces = readInPieces(bytes, split);
    if (whole.size() != pieces.size()) std::abort();
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const Event& e = whole[i];
        if (e.kind != pieces[i].kind || e.payload != pieces[i].payload || e.code != pieces[i].code)
            std::abort();
        const bool last = i + 1 == whole.size();
        if ((e.kind == Event::Kind::Close || e.kind == Event::Kind::Fail) && !last) std::abort();
        if (e.kind == Event::Kind::Text && (e.payload.size() > kLimit || !validUtf8(e.payload)))
            std::abort();
    }
    return 0;
}
