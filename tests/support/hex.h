// Hex literals for frame tests: "01 57 06 A7" <-> bytes.
#pragma once

#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace vt::test {

inline std::vector<std::uint8_t> hex(const std::string& text) {
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    return out;
}

inline std::string toHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (auto b : bytes) {
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

}  // namespace vt::test
