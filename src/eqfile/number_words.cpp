// Separator rules of filter-list numbers; the digits themselves are read with "." whatever the
// process locale says.
#include "eqfile/number_words.h"

#include <cctype>
#include <string>

#include "model/number_text.h"

namespace vt::eqfile {
namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Digits split by `thousands` into a first group of one to three digits and then groups of
// exactly three; returns the digits alone, or nothing when the grouping is wrong.
std::optional<std::string> ungroup(std::string_view digits, char thousands) {
    std::string out;
    std::size_t group = 0;
    bool first = true;
    for (char c : digits) {
        if (c == thousands) {
            if (group == 0 || group > 3 || (!first && group != 3)) return std::nullopt;
            first = false;
            group = 0;
            continue;
        }
        out.push_back(c);
        ++group;
    }
    if (!first && group != 3) return std::nullopt;
    return out;
}

Decimal decimalOf(char c) {
    return c == ',' ? Decimal::Comma : Decimal::Point;
}

}  // namespace

std::optional<NumberWord> readNumberWord(std::string_view word) {
    std::string sign;
    if (!word.empty() && (word.front() == '+' || word.front() == '-')) {
        if (word.front() == '-') sign = "-";
        word.remove_prefix(1);
    }
    if (word.empty()) return std::nullopt;
    std::size_t points = 0, commas = 0;
    for (char c : word) {
        if (c == '.')
            ++points;
        else if (c == ',')
            ++commas;
        else if (!isDigit(c))
            return std::nullopt;
    }
    auto real = [&sign](const std::string& digits) { return parseReal(sign + digits); };

    NumberWord n;
    if (points + commas == 0) {
        const auto v = real(std::string(word));
        if (!v) return std::nullopt;
        n.value = *v;
        return n;
    }
    if (points > 0 && commas > 0) {
        // The last separator is the decimal one; every other must be of the other kind.
        const std::size_t at = word.find_last_of(".,");
        const char decimal = word[at];
        const char thousands = decimal == '.' ? ',' : '.';
        if ((decimal == '.' ? points : commas) != 1) return std::nullopt;
        const auto whole = ungroup(word.substr(0, at), thousands);
        if (!whole || whole->empty()) return std::nullopt;
        const auto v = real(*whole + "." + std::string(word.substr(at + 1)));
        if (!v) return std::nullopt;
        n.value = *v;
        n.decimal = decimalOf(decimal);
        return n;
    }
    const char separator = points > 0 ? '.' : ',';
    if (points + commas > 1) {  // "1,250,000": thousands separators only
        const auto whole = ungroup(word, separator);
        if (!whole) return std::nullopt;
        const auto v = real(*whole);
        if (!v) return std::nullopt;
        n.value = *v;
        return n;
    }
    const std::size_t at = word.find(separator);
    std::string text(word);
    text[at] = '.';
    const auto v = real(text);
    if (!v) return std::nullopt;
    n.value = *v;
    n.decimal = decimalOf(separator);
    const std::size_t after = word.size() - at - 1;
    if (after == 3 && at >= 1 && at <= 3 && word.front() != '0') {
        n.ambiguous = true;
        n.grouped = *real(std::string(word.substr(0, at)) + std::string(word.substr(at + 1)));
    }
    return n;
}

Decimal withDecimal(Decimal seen, Decimal number) {
    if (number == Decimal::Unknown || seen == number) return seen;
    return seen == Decimal::Unknown ? number : Decimal::Both;
}

}  // namespace vt::eqfile
