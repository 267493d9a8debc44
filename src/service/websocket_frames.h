// The WebSocket frames a server reads and writes (RFC 6455), without Qt: the reader takes the
// bytes a client sends as they come and gives back whole messages and control frames, or the
// close code that ends a client breaking the protocol. A client frame must be masked; text must
// be UTF-8; a message is bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::service::ws {

enum class Opcode : std::uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

// Close codes of RFC 6455 7.4.1.
inline constexpr int kCloseNormal = 1000;
inline constexpr int kCloseGoingAway = 1001;
inline constexpr int kCloseProtocolError = 1002;
inline constexpr int kCloseUnsupportedData = 1003;
inline constexpr int kCloseInvalidPayload = 1007;
inline constexpr int kCloseTooBig = 1009;

struct Event {
    enum class Kind {
        Text,   // a whole text message, in `payload`
        Ping,   // answer with a pong of `payload`
        Pong,   // nothing to do
        Close,  // the client closes with `code` (1005 when it gave none); answer and end
        Fail,   // the client broke the protocol: close with `code` and `reason`, read no more
    };
    Kind kind = Kind::Text;
    std::string payload;
    int code = 0;
    std::string reason;
};

class FrameReader {
  public:
    explicit FrameReader(std::size_t maxMessage) : m_maxMessage(maxMessage) {}

    // Takes the next bytes the client sent.
    void feed(std::string_view bytes);
    // The next event the bytes fed so far make whole; nullopt until more come. After a Fail or
    // a Close there are no more events.
    std::optional<Event> next();

  private:
    std::optional<Event> fail(int code, std::string reason);

    std::size_t m_maxMessage;
    std::string m_buffer;  // bytes fed, read up to m_start
    std::size_t m_start = 0;
    std::string m_message;     // a fragmented message so far
    bool m_inMessage = false;  // a text message's first frame came, its last not yet
    bool m_ended = false;
};

// A whole unmasked frame, as a server sends it.
std::string encodeFrame(Opcode opcode, std::string_view payload);
// A close frame's payload: the code, then the reason (cut to fit a control frame).
std::string closePayload(int code, std::string_view reason);
// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool validUtf8(std::string_view text);

}  // namespace vt::service::ws
