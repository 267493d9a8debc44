// The frames a client sends, read as the service reads them: messages whole across frames and
// reads, control frames between fragments, and every breach of the protocol closed with its code.
#include <gtest/gtest.h>

#include "service/websocket_frames.h"

namespace vt::service::ws {
namespace {

// A client frame: masked (unless told otherwise), FIN as given, the opcode byte's other bits from
// `extra`.
std::string clientFrame(std::uint8_t opcode, std::string_view payload, bool fin = true,
                        bool masked = true, std::uint8_t extra = 0) {
    std::string frame;
    frame += static_cast<char>((fin ? 0x80 : 0) | extra | opcode);
    const std::uint8_t mask = masked ? 0x80 : 0;
    const std::uint64_t size = payload.size();
    if (size < 126) {
        frame += static_cast<char>(mask | size);
    } else if (size <= 0xFFFF) {
        frame += static_cast<char>(mask | 126);
        frame += static_cast<char>(size >> 8);
        frame += static_cast<char>(size & 0xFF);
    } else {
        frame += static_cast<char>(mask | 127);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>(size >> shift);
    }
    const char key[4] = {0x12, 0x34, 0x56, 0x78};
    if (masked) frame.append(key, 4);
    for (std::size_t i = 0; i < payload.size(); ++i)
        frame += masked ? static_cast<char>(payload[i] ^ key[i % 4]) : payload[i];
    return frame;
}

std::vector<Event> readAll(const std::string& bytes, std::size_t chunk = 0) {
    FrameReader reader(64 * 1024);
    std::vector<Event> events;
    const std::size_t step = chunk ? chunk : bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += step) {
        reader.feed(std::string_view(bytes).substr(at, step));
        while (auto e = reader.next()) events.push_back(*e);
    }
    return events;
}

TEST(WebSocketFrames, MessagesComeWholeWhateverTheReadsAndFragments) {
    const std::string big(70000 - 6000, 'x');  // a 64-bit length form stays under the limit
    const std::string bytes = clientFrame(0x1, "{\"id\":1}") + clientFrame(0x1, "{\"a\":", false) +
                              clientFrame(0x9, "ping!") + clientFrame(0x0, "\"\xc3\xa9\"}", true) +
                              clientFrame(0x1, std::string(300, 'y')) +
                              clientFrame(0x1, big.substr(0, 60000)) + clientFrame(0xA, "") +
                              clientFrame(0x8, closePayload(1000, "bye"));
    for (std::size_t chunk : {std::size_t{0}, std::size_t{1}, std::size_t{7}}) {
        const auto events = readAll(bytes, chunk);
        ASSERT_EQ(events.size(), 7u) << chunk;
        EXPECT_EQ(events[0].payload, "{\"id\":1}");
        EXPECT_EQ(events[1].kind, Event::Kind::Ping);
        EXPECT_EQ(events[1].payload, "ping!");
        EXPECT_EQ(events[2].payload, "{\"a\":\"\xc3\xa9\"}");
        EXPECT_EQ(events[3].payload.size(), 300u);
        EXPECT_EQ(events[4].payload.size(), 60000u);
        EXPECT_EQ(events[5].kind, Event::Kind::Pong);
        EXPECT_EQ(events[6].kind, Event::Kind::Close);
        EXPECT_EQ(events[6].code, 1000);
        EXPECT_EQ(events[6].reason, "bye");
    }
}

TEST(WebSocketFrames, EveryBreachClosesWithItsCode) {
    const struct {
        const char* what;
        std::string bytes;
        int code;
    } cases[] = {
        {"unmasked", clientFrame(0x1, "{}", true, false), kCloseProtocolError},
        {"reserved bit", clientFrame(0x1, "{}", true, true, 0x40), kCloseProtocolError},
        {"reserved opcode", clientFrame(0x3, "{}"), kCloseProtocolError},
        {"reserved control opcode", clientFrame(0xB, ""), kCloseProtocolError},
        {"binary", clientFrame(0x2, "{}"), kCloseUnsupportedData},
        {"bad UTF-8", clientFrame(0x1, "\xc3\x28"), kCloseInvalidPayload},
        {"overlong UTF-8", clientFrame(0x1, "\xc0\xaf"), kCloseInvalidPayload},
        {"surrogate", clientFrame(0x1, "\xed\xa0\x80"), kCloseInvalidPayload},
        {"UTF-8 cut at the end", clientFrame(0x1, "ab\xe2\x82"), kCloseInvalidPayload},
        {"over the limit", clientFrame(0x1, std::string(64 * 1024 + 1, 'x')), kCloseTooBig},
        {"over the limit in fragments",
         clientFrame(0x1, std::string(40000, 'x'), false) +
             clientFrame(0x0, std::string(40000, 'x')),
         kCloseTooBig},
        {"continuation first", clientFrame(0x0, "{}"), kCloseProtocolError},
        {"text inside a message", clientFrame(0x1, "{", false) + clientFrame(0x1, "}"),
         kCloseProtocolError},
        {"fragmented ping", clientFrame(0x9, "p", false), kCloseProtocolError},
        {"long ping", clientFrame(0x9, std::string(126, 'p')), kCloseProtocolError},
        {"close code cut short", clientFrame(0x8, "\x03"), kCloseProtocolError},
        {"close code 1005", clientFrame(0x8, closePayload(1005, "")), kCloseProtocolError},
        {"close reason not UTF-8", clientFrame(0x8, std::string("\x03\xe8\xff", 3)),
         kCloseInvalidPayload},
    };
    for (const auto& k : cases) {
        const auto events = readAll(k.bytes + clientFrame(0x1, "{\"after\":1}"));
        ASSERT_FALSE(events.empty()) << k.what;
        EXPECT_EQ(events.back().kind, Event::Kind::Fail) << k.what;
        EXPECT_EQ(events.back().code, k.code) << k.what;
        EXPECT_FALSE(events.back().reason.empty()) << k.what;
    }
}

TEST(WebSocketFrames, ServerFramesAreUnmaskedWithTheShortestLength) {
    EXPECT_EQ(encodeFrame(Opcode::Text, "hi"), std::string("\x81\x02hi"));
    const std::string mid = encodeFrame(Opcode::Text, std::string(126, 'a'));
    EXPECT_EQ(mid.substr(0, 4), std::string("\x81\x7e\x00\x7e", 4));
    const std::string big = encodeFrame(Opcode::Text, std::string(70000, 'a'));
    EXPECT_EQ(big.substr(0, 10), std::string("\x81\x7f\x00\x00\x00\x00\x00\x01\x11\x70", 10));
    // A close reason is cut to fit a control frame, never inside a character.
    const std::string reason = closePayload(1002, std::string(200, '\xc3') + "");
    EXPECT_LE(reason.size(), 125u);
    EXPECT_TRUE(validUtf8(closePayload(1002, std::string(61, 'a') + std::string(40, 'b') +
                                                 "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac")
                              .substr(2)));
}

}  // namespace
}  // namespace vt::service::ws
