// Measurement and target texts read into sorted frequency and level pairs.
#include "autoeq/response_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "presets/preset_file.h"

namespace vt::autoeq {
namespace {

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits at blanks, or at `hard` separators (blanks around them trimmed) when the line has one.
std::vector<std::string> fieldsOf(std::string_view line, char hard) {
    std::vector<std::string> fields;
    const auto splitBlanks = [&fields](std::string_view piece) {
        std::size_t i = 0;
        while (i < piece.size()) {
            const std::size_t next = piece.find_first_of(" \t", i);
            const std::string_view word = piece.substr(i, next - i);
            if (!word.empty()) fields.emplace_back(word);
            if (next == std::string_view::npos) break;
            i = next + 1;
        }
    };
    if (line.find(hard) == std::string_view::npos) {
        splitBlanks(line);
        return fields;
    }
    while (true) {
        const std::size_t next = line.find(hard);
        const std::string_view piece = trimmed(line.substr(0, next));
        if (piece.empty()) fields.emplace_back();
        splitBlanks(piece);
        if (next == std::string_view::npos) break;
        line.remove_prefix(next + 1);
    }
    return fields;
}

enum class Number { Good, NotNumber, NotFinite };

Number parseNumber(const std::string& s, double& value) {
    const char* first = s.data();
    const char* last = first + s.size();
    if (first != last && *first == '+') ++first;
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last) return Number::NotNumber;
    return std::isfinite(value) ? Number::Good : Number::NotFinite;
}

}  // namespace

ResponseRead readResponse(std::string_view text, std::size_t fewest) {
    ResponseRead read;
    bool headerAllowed = true;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == '*' || line.front() == '#') continue;
        // With semicolons between the columns, a comma is the decimal separator.
        const bool semicolons = line.find(';') != std::string_view::npos;
        auto fields = fieldsOf(line, semicolons ? ';' : ',');
        if (semicolons)
            for (auto& field : fields) std::replace(field.begin(), field.end(), ',', '.');
        double hz = 0.0, db = 0.0;
        const Number f = fields.size() >= 1 ? parseNumber(fields[0], hz) : Number::NotNumber;
        const Number l = fields.size() >= 2 ? parseNumber(fields[1], db) : Number::NotNumber;
        if (f == Number::NotFinite || l == Number::NotFinite) {
            return {{}, "a value that is not a finite number", lineNumber};
        }
        if (f != Number::Good || l != Number::Good) {
            // The words naming the columns of a CSV, once, before the first pair.
            if (headerAllowed && f == Number::NotNumber) {
                headerAllowed = false;
                continue;
            }
            return {{}, "not a frequency and level pair", lineNumber};
        }
        headerAllowed = false;
        if (std::abs(db) > kLargestLevelDb) return {{}, "a level beyond 1000 dB", lineNumber};
        // Far outside anything measured; such numbers only break the arithmetic of the fit.
        if (hz > 0.0 && (hz < kLowestHz || hz > kHighestHz))
            return {{}, "a frequency outside 0.001 Hz to 1 MHz", lineNumber};
        if (hz > 0.0) read.points.push_back({hz, db});
    }
    std::stable_sort(read.points.begin(), read.points.end(),
                     [](const ResponsePoint& a, const ResponsePoint& b) { return a.hz < b.hz; });
    // The first of a repeated frequency stays.
    read.points.erase(
        std::unique(read.points.begin(), read.points.end(),
                    [](const ResponsePoint& a, const ResponsePoint& b) { return a.hz == b.hz; }),
        read.points.end());
    if (read.points.size() < fewest) {
        read.problem = "only " + std::to_string(read.points.size()) + " usable point" +
                       (read.points.size() == 1 ? "" : "s") + ", at least " +
                       std::to_string(fewest) + " needed";
        read.points.clear();
    }
    return read;
}

ResponseRead loadResponse(const std::string& path, std::size_t fewest) {
    const presets::FileText text = presets::readBoundedFile(path, kLargestResponseFile);
    if (text.problem != presets::ReadProblem::None) {
        ResponseRead read;
        read.problem =
            text.problem == presets::ReadProblem::TooLarge ? "larger than 4 MiB" : "cannot be read";
        return read;
    }
    return readResponse(text.text, fewest);
}

}  // namespace vt::autoeq
