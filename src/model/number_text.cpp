// Locale-independent number formatting and parsing built on <charconv>.
#include "model/number_text.h"

#include <charconv>
#include <cmath>

namespace vt {

std::string formatFixed(double value, int decimals) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, res.ptr);
    if (!text.empty() && text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string formatInt(long long value) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::optional<long long> parseInt(std::string_view text) {
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first == last) return std::nullopt;
    auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last) return std::nullopt;
    return value;
}

std::optional<double> parseReal(std::string_view text) {
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first == last) return std::nullopt;
    auto res = std::from_chars(first, last, value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string hexByte(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace vt
