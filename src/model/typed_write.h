// A parameter write as a person or a script types it: an address (module * 256 + slot) and a
// value, decimal or 0x-hexadecimal, checked against the unit's modules and slots.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vt {

// A whole non-negative number, decimal or 0x-hexadecimal; nullopt on anything else. Too many
// digits is still a number, one that no range admits.
std::optional<long long> parseNumber(std::string_view text);

// "0x0105".
std::string hex4(int address);

struct TypedWrite {
    int address = 0;
    int value = 0;
    std::string problem;  // "set: address '0x9' names ...": empty when the write is good
};

// Reads and checks one write; the store and restore commands are not parameters.
TypedWrite readTypedWrite(std::string_view address, std::string_view value);

}  // namespace vt
