// Line-by-line reading of filter lists; every number is read with "." whatever the locale.
#include "eqfile/filter_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "model/number_text.h"

namespace vt::eqfile {
namespace {

constexpr double kLowestFrequency = 1.0;
constexpr double kHighestFrequency = 23999.0;  // below half the 48 kHz sample rate
constexpr double kLargestGain = 60.0;
constexpr double kLargestQ = 1000.0;
constexpr double kLargestSlopeDb = 1600.0;  // the steepest slope of the Q table, 128, is 1536

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool startsWithWord(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && sameWord(s.substr(0, word.size()), word);
}

bool isNumberChar(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+';
}

// Whitespace-separated words; a number with a unit glued to it ("125Hz", "-3dB") gives two.
std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isSpace(s[i])) ++i;
        std::size_t j = i;
        while (j < s.size() && !isSpace(s[j])) ++j;
        if (j == i) break;
        std::string_view w = s.substr(i, j - i);
        std::size_t k = 0;
        while (k < w.size() && isNumberChar(w[k])) ++k;
        const bool glued = k > 0 && k < w.size() &&
                           std::isdigit(static_cast<unsigned char>(w[k - 1])) &&
                           std::isalpha(static_cast<unsigned char>(w[k]));
        if (glued) {
            out.push_back(w.substr(0, k));
            out.push_back(w.substr(k));
        } else {
            out.push_back(w);
        }
        i = j;
    }
    return out;
}

std::optional<double> number(std::string_view w) {
    if (!w.empty() && w.front() == '+') w.remove_prefix(1);
    if (!w.empty() && (w.front() == '+' || w.front() == '-') && w.size() > 1 && w[1] == '-')
        return std::nullopt;
    return parseReal(w);
}

enum class TypeWord { Peak, Shelf, Pass, PassQ, None, Unsupported, Unknown };

struct TypeEntry {
    std::string_view word;
    TypeWord shape;
    FilterKind kind;
};

constexpr std::array<TypeEntry, 14> kTypes{{
    {"PK", TypeWord::Peak, FilterKind::Peak},
    {"PEQ", TypeWord::Peak, FilterKind::Peak},
    {"LS", TypeWord::Shelf, FilterKind::LowShelf},
    {"LSC", TypeWord::Shelf, FilterKind::LowShelf},
    {"HS", TypeWord::Shelf, FilterKind::HighShelf},
    {"HSC", TypeWord::Shelf, FilterKind::HighShelf},
    {"HP", TypeWord::Pass, FilterKind::HighPass},
    {"LP", TypeWord::Pass, FilterKind::LowPass},
    {"HPQ", TypeWord::PassQ, FilterKind::HighPass},
    {"LPQ", TypeWord::PassQ, FilterKind::LowPass},
    {"None", TypeWord::None, FilterKind::Peak},
    {"NO", TypeWord::Unsupported, FilterKind::Peak},
    {"AP", TypeWord::Unsupported, FilterKind::Peak},
    {"BP", TypeWord::Unsupported, FilterKind::Peak},
}};

const TypeEntry* findType(std::string_view w) {
    for (const auto& t : kTypes)
        if (sameWord(t.word, w)) return &t;
    return nullptr;
}

// Reads the words after "Filter N:". Returns the reason when the line cannot be used; an empty
// reason with `none` set is a "None" entry.
std::string readFilterBody(const std::vector<std::string_view>& w, FileFilter& f, bool& none) {
    none = false;
    if (w.empty()) return "no filter after 'Filter:'";
    if (sameWord(w[0], "ON")) {
        f.enabled = true;
    } else if (sameWord(w[0], "OFF")) {
        f.enabled = false;
    } else if (sameWord(w[0], "None")) {
        none = true;
        return {};
    } else {
        return "expected ON or OFF, found '" + std::string(w[0]) + "'";
    }
    if (w.size() < 2) return "no filter type";
    const TypeEntry* type = findType(w[1]);
    if (!type) return "unknown filter type '" + std::string(w[1]) + "'";
    if (type->shape == TypeWord::None) {
        none = true;
        return {};
    }
    if (type->shape == TypeWord::Unsupported)
        return "the unit has no filter of type '" + std::string(w[1]) + "'";
    f.kind = type->kind;

    std::size_t i = 2;
    // Shelves may give their slope right after the type: "LSC 12 dB", "LS 6dB".
    if (type->shape == TypeWord::Shelf && i < w.size() && !sameWord(w[i], "Fc")) {
        const auto db = number(w[i]);
        if (!db || i + 1 >= w.size() || !sameWord(w[i + 1], "dB"))
            return "unexpected '" + std::string(w[i]) + "' after the shelf type";
        if (!(*db > 0.0 && *db <= kLargestSlopeDb)) return "shelf slope out of range";
        f.slope = *db / kShelfSlopeDbPerUnit;
        f.bySlope = true;
        i += 2;
    }
    bool haveFc = false, haveGain = false, haveQ = false;
    while (i < w.size()) {
        const std::string_view key = w[i];
        if (i + 1 >= w.size()) return "no value after '" + std::string(key) + "'";
        if (sameWord(key, "Fc")) {
            auto v = number(w[i + 1]);
            if (!v) return "frequency '" + std::string(w[i + 1]) + "' is not a number";
            i += 2;
            if (i < w.size() && sameWord(w[i], "kHz")) {
                *v *= 1000.0;
                ++i;
            } else if (i < w.size() && sameWord(w[i], "Hz")) {
                ++i;
            }
            if (!(*v >= kLowestFrequency && *v <= kHighestFrequency))
                return "frequency out of range (1 Hz to 24 kHz)";
            f.frequency = *v;
            haveFc = true;
        } else if (sameWord(key, "Gain")) {
            const auto v = number(w[i + 1]);
            if (!v) return "gain '" + std::string(w[i + 1]) + "' is not a number";
            if (std::abs(*v) > kLargestGain) return "gain out of range (-60 to +60 dB)";
            f.gain = *v;
            haveGain = true;
            i += 2;
            if (i < w.size() && sameWord(w[i], "dB")) ++i;
        } else if (sameWord(key, "Q") || sameWord(key, "BW")) {
            const bool bandwidth = sameWord(key, "BW");
            std::size_t at = i + 1;
            if (bandwidth && sameWord(w[at], "Oct")) ++at;
            if (at >= w.size()) return "no value after '" + std::string(key) + "'";
            const auto v = number(w[at]);
            if (!v) return "'" + std::string(w[at]) + "' is not a number";
            i = at + 1;
            if (bandwidth && i < w.size() && sameWord(w[i], "Oct")) ++i;
            double q = *v;
            if (bandwidth) {
                if (!(q > 0.0 && q <= 10.0)) return "bandwidth out of range";
                const double ratio = std::pow(2.0, q);
                q = std::sqrt(ratio) / (ratio - 1.0);
            }
            if (!(q > 0.0 && q <= kLargestQ)) return "Q out of range";
            f.q = q;
            haveQ = true;
        } else {
            return "unexpected '" + std::string(key) + "'";
        }
    }
    if (!haveFc) return "no frequency (Fc)";
    switch (type->shape) {
        case TypeWord::Peak:
            if (!haveGain) return "no gain";
            if (!haveQ) return "no Q";
            break;
        case TypeWord::Shelf:
            if (!haveGain) return "no gain";
            if (haveQ && f.bySlope) return "both a slope and a Q";
            if (!haveQ && !f.bySlope) f.q = kDefaultPassQ;
            break;
        case TypeWord::PassQ:  // a gain given with a pass is kept, though it changes nothing
            if (!haveQ) return "no Q";
            break;
        default:  // plain passes are Butterworth unless a Q is given
            if (!haveQ) f.q = kDefaultPassQ;
            break;
    }
    return {};
}

// "Filter", an optional number, then ':'. Returns the position after ':' or npos.
std::size_t filterPrefix(std::string_view line) {
    if (!startsWithWord(line, "Filter")) return std::string_view::npos;
    std::size_t i = 6;
    while (i < line.size() &&
           (isSpace(line[i]) || std::isdigit(static_cast<unsigned char>(line[i]))))
        ++i;
    return i < line.size() && line[i] == ':' ? i + 1 : std::string_view::npos;
}

}  // namespace

FilterFile readFilterFile(std::string_view text) {
    FilterFile file;
    bool firstLine = true;
    bool inHeader = false;  // the measurement export's header, up to its first Filter line
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (lineNumber == 1 && raw.starts_with("\xEF\xBB\xBF")) raw.remove_prefix(3);
        const std::string_view line = trim(raw);
        if (line.empty()) continue;
        if (firstLine) {
            firstLine = false;
            inHeader = sameWord(line, "Filter Settings file");
            if (inHeader) continue;
        }
        if (line.front() == '#') continue;
        auto problem = [&](std::string reason) {
            file.problems.push_back({lineNumber, std::string(line), std::move(reason)});
        };
        if (startsWithWord(line, "Preamp:")) {
            const auto w = words(line.substr(7));
            const auto v = w.empty() ? std::nullopt : number(w[0]);
            if (!v || w.size() > 2 || (w.size() == 2 && !sameWord(w[1], "dB")) ||
                std::abs(*v) > kLargestGain) {
                problem("preamp is not a gain in dB");
                continue;
            }
            if (!file.preampDb) file.preampLine = lineNumber;
            file.preampDb = file.preampDb.value_or(0.0) + *v;
            continue;
        }
        const std::size_t body = filterPrefix(line);
        if (body == std::string_view::npos) {
            if (!inHeader) problem("not understood");
            continue;
        }
        inHeader = false;
        FileFilter f;
        f.line = lineNumber;
        f.text = std::string(line);
        bool none = false;
        std::string why = readFilterBody(words(line.substr(body)), f, none);
        if (!why.empty())
            problem(std::move(why));
        else if (!none)
            file.filters.push_back(std::move(f));
    }
    return file;
}

}  // namespace vt::eqfile
