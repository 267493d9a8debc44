// Locale-independent number formatting and parsing: "." is the decimal separator whatever the
// process locale says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// Fixed notation with `decimals` digits after the point, at least one integer digit ("#0.0" is
// decimals = 1, "#0" is decimals = 0). Never prints "-0.0".
std::string formatFixed(double value, int decimals);

// Decimal integer text without leading zeros or separators.
std::string formatInt(long long value);

// Whole-string parse of a decimal integer (optional leading '-'); nullopt on anything else.
std::optional<long long> parseInt(std::string_view text);

// Whole-string parse of a real number with "." as separator; nullopt on anything else.
std::optional<double> parseReal(std::string_view text);

// Upper-case hexadecimal of one byte, two digits ("%.2x" of the link's texts).
std::string hexByte(std::uint8_t byte);

// The value of one hexadecimal digit, either case; -1 for any other character.
int hexDigit(char c);

}  // namespace vt
