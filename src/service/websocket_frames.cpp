// Reading and writing WebSocket frames.
#include "service/websocket_frames.h"

namespace vt::service::ws {
namespace {

constexpr std::size_t kMaxControlPayload = 125;

bool isControl(std::uint8_t opcode) {
    return (opcode & 0x8) != 0;
}

bool knownOpcode(std::uint8_t opcode) {
    switch (static_cast<Opcode>(opcode)) {
        case Opcode::Continuation:
        case Opcode::Text:
        case Opcode::Binary:
        case Opcode::Close:
        case Opcode::Ping:
        case Opcode::Pong:
            return true;
    }
    return false;
}

// A close code a peer may send (RFC 6455 7.4).
bool validCloseCode(int code) {
    if (code >= 3000 && code <= 4999) return true;
    return code >= 1000 && code <= 1014 && code != 1004 && code != 1005 && code != 1006;
}

}  // namespace

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        std::uint32_t point = 0;
        std::uint32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            point = c & 0x1Fu;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            point = c & 0x0Fu;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            point = c & 0x07u;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= text.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) return false;
            point = (point << 6) | (d & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

void FrameReader::feed(std::string_view bytes) {
    if (m_ended) return;
    // What the frames read so far took is let go once per feed, not once per frame: a read of
    // many small frames costs its length, not its length times their number.
    m_buffer.erase(0, m_start);
    m_start = 0;
    m_buffer.append(bytes);
}

std::optional<Event> FrameReader::fail(int code, std::string reason) {
    m_ended = true;
    std::string().swap(m_buffer);
    m_start = 0;
    std::string().swap(m_message);
    Event e;
    e.kind = Event::Kind::Fail;
    e.code = code;
    e.reason = std::move(reason);
    return e;
}

std::optional<Event> FrameReader::next() {
    while (!m_ended) {
        const std::string_view buffer = std::string_view(m_buffer).substr(m_start);
        if (buffer.size() < 2) return std::nullopt;
        const auto b0 = static_cast<std::uint8_t>(buffer[0]);
        const auto b1 = static_cast<std::uint8_t>(buffer[1]);
        const bool fin = (b0 & 0x80) != 0;
        const std::uint8_t opcode = b0 & 0x0F;
        if ((b0 & 0x70) != 0) return fail(kCloseProtocolError, "reserved bits set");
        if (!knownOpcode(opcode)) return fail(kCloseProtocolError, "unknown opcode");
        if ((b1 & 0x80) == 0) return fail(kCloseProtocolError, "a client frame must be masked");
        std::uint64_t length = b1 & 0x7F;
        std::size_t header = 2;
        if (length == 126) {
            if (buffer.size() < 4) return std::nullopt;
            length = (std::uint64_t{static_cast<std::uint8_t>(buffer[2])} << 8) |
                     static_cast<std::uint8_t>(buffer[3]);
            header = 4;
        } else if (length == 127) {
            if (buffer.size() < 10) return std::nullopt;
            length = 0;
            for (std::size_t k = 2; k < 10; ++k)
                length = (length << 8) | static_cast<std::uint8_t>(buffer[k]);
            header = 10;
            if (length >> 63) return fail(kCloseProtocolError, "a frame length beyond 2^63");
        }
        if (isControl(opcode)) {
            if (!fin) return fail(kCloseProtocolError, "a fragmented control frame");
            if (length > kMaxControlPayload)
                return fail(kCloseProtocolError, "a control frame over 125 bytes");
        } else {
            if (opcode == static_cast<std::uint8_t>(Opcode::Binary))
                return fail(kCloseUnsupportedData, "JSON-RPC messages are text frames");
            if (opcode == static_cast<std::uint8_t>(Opcode::Continuation) && !m_inMessage)
                return fail(kCloseProtocolError, "a continuation with no message begun");
            if (opcode == static_cast<std::uint8_t>(Opcode::Text) && m_inMessage)
                return fail(kCloseProtocolError, "a new message before the last one ended");
            if (length > m_maxMessage - m_message.size())
                return fail(kCloseTooBig, "the message is too big");
        }
        header += 4;  // the mask
        if (buffer.size() < header + length) return std::nullopt;
        const std::size_t size = static_cast<std::size_t>(length);
        std::string payload(buffer.substr(header, size));
        for (std::size_t k = 0; k < size; ++k) payload[k] ^= buffer[header - 4 + (k % 4)];
        m_start += header + size;

        Event e;
        switch (static_cast<Opcode>(opcode)) {
            case Opcode::Ping:
                e.kind = Event::Kind::Ping;
                e.payload = std::move(payload);
                return e;
            case Opcode::Pong:
                e.kind = Event::Kind::Pong;
                return e;
            case Opcode::Close:
                m_ended = true;
                e.kind = Event::Kind::Close;
                e.code = 1005;
                if (payload.size() == 1) return fail(kCloseProtocolError, "a close code cut short");
                if (payload.size() >= 2) {
                    e.code = (static_cast<std::uint8_t>(payload[0]) << 8) |
                             static_cast<std::uint8_t>(payload[1]);
                    e.reason = payload.substr(2);
                    if (!validCloseCode(e.code))
                        return fail(kCloseProtocolError, "a close code no peer may send");
                    if (!validUtf8(e.reason))
                        return fail(kCloseInvalidPayload, "a close reason that is not UTF-8");
                }
                return e;
            default:
                break;
        }
        m_message += payload;
        m_inMessage = !fin;
        if (!fin) continue;
        if (!validUtf8(m_message)) return fail(kCloseInvalidPayload, "text that is not UTF-8");
        e.kind = Event::Kind::Text;
        e.payload.swap(m_message);
        return e;
    }
    return std::nullopt;
}

std::string encodeFrame(Opcode opcode, std::string_view payload) {
    std::string frame;
    frame += static_cast<char>(0x80 | static_cast<std::uint8_t>(opcode));
    const std::uint64_t size = payload.size();
    if (size < 126) {
        frame += static_cast<char>(size);
    } else if (size <= 0xFFFF) {
        frame += static_cast<char>(126);
        frame += static_cast<char>(size >> 8);
        frame += static_cast<char>(size & 0xFF);
    } else {
        frame += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>((size >> shift) & 0xFF);
    }
    frame += payload;
    return frame;
}

std::string closePayload(int code, std::string_view reason) {
    std::string payload;
    payload += static_cast<char>((code >> 8) & 0xFF);
    payload += static_cast<char>(code & 0xFF);
    reason = reason.substr(0, kMaxControlPayload - 2);
    // Never cut a character of the reason in two.
    while (!reason.empty() && !validUtf8(reason)) reason.remove_suffix(1);
    payload += reason;
    return payload;
}

}  // namespace vt::service::ws
