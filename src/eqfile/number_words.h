// Numbers as filter lists write them: a decimal point or a decimal comma, and thousands
// separators, whichever the exporting machine's locale chose.
#pragma once

#include <optional>
#include <string_view>

namespace vt::eqfile {

// The character a number (or a whole file) uses as its decimal separator.
enum class Decimal { Unknown, Point, Comma, Both };

// What one number's text says.
struct NumberWord {
    double value = 0.0;                  // the reading with `decimal` as the decimal separator
    Decimal decimal = Decimal::Unknown;  // the decimal separator the text shows, if it shows one
    // One separator with one to three digits before it (the first not 0) and exactly three after
    // ("1,250", "1.250"): a decimal separator or a thousands separator. `value` and `decimal` are
    // the decimal reading, `grouped` the thousands one.
    bool ambiguous = false;
    double grouped = 0.0;
};

// Reads an optional sign, digits and separators: no separator; one kind used once (decimal,
// or ambiguous as above); one kind used several times (thousands, groups of three); both kinds
// (the last one is the decimal separator, the others thousands separators). nullopt otherwise.
std::optional<NumberWord> readNumberWord(std::string_view word);

// The decimal separators seen so far in a file, with the one of `number` added.
Decimal withDecimal(Decimal seen, Decimal number);

}  // namespace vt::eqfile
