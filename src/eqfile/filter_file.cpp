// Line-by-line reading of filter lists; every number is read with "." whatever the locale.
#include "eqfile/filter_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <numbers>

#include "eqfile/exact_response.h"
#include "eqfile/number_words.h"
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
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == ',' || c == '-' ||
           c == '+';
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

enum class TypeWord { Peak, Modal, Shelf, CentreShelf, Pass, PassQ, None, Unsupported };

struct TypeEntry {
    std::string_view word;
    TypeWord shape;
    FilterKind kind;
};

// "LS" and "HS" with a slope in dB name the corner frequency; "LSC" and "HSC" the midpoint.
constexpr std::array<TypeEntry, 19> kTypes{{
    {"PK", TypeWord::Peak, FilterKind::Peak},
    {"PEQ", TypeWord::Peak, FilterKind::Peak},
    {"Modal", TypeWord::Modal, FilterKind::Peak},
    {"LS", TypeWord::Shelf, FilterKind::LowShelf},
    {"LSC", TypeWord::CentreShelf, FilterKind::LowShelf},
    {"HS", TypeWord::Shelf, FilterKind::HighShelf},
    {"HSC", TypeWord::CentreShelf, FilterKind::HighShelf},
    {"HP", TypeWord::Pass, FilterKind::HighPass},
    {"LP", TypeWord::Pass, FilterKind::LowPass},
    {"HPQ", TypeWord::PassQ, FilterKind::HighPass},
    {"LPQ", TypeWord::PassQ, FilterKind::LowPass},
    {"None", TypeWord::None, FilterKind::Peak},
    {"NO", TypeWord::Unsupported, FilterKind::Peak},
    {"Notch", TypeWord::Unsupported, FilterKind::Peak},
    {"AP", TypeWord::Unsupported, FilterKind::Peak},
    {"BP", TypeWord::Unsupported, FilterKind::Peak},
    {"HP1", TypeWord::Unsupported, FilterKind::Peak},
    {"LP1", TypeWord::Unsupported, FilterKind::Peak},
    {"IIR", TypeWord::Unsupported, FilterKind::Peak},
}};

const TypeEntry* findType(std::string_view w) {
    for (const auto& t : kTypes)
        if (sameWord(t.word, w)) return &t;
    return nullptr;
}

// A Filter line read as far as it can be before the file's decimal separator is known: the
// frequency may be "1.250", and a bandwidth and a corner frequency depend on the frequency.
struct Draft {
    FileFilter f;
    std::string fcText;
    NumberWord fc;
    bool kHz = false;
    std::optional<double> bandwidth;
};

// Reads the numbers other than frequencies, noting the decimal separator each one shows.
class Numbers {
  public:
    std::optional<double> value(std::string_view w) {
        const auto n = readNumberWord(w);
        if (!n) return std::nullopt;
        m_seen = withDecimal(m_seen, n->decimal);
        return n->value;
    }
    // A frequency; one that shows its decimal separator unambiguously tells the file's too.
    std::optional<NumberWord> frequency(std::string_view w) {
        const auto n = readNumberWord(w);
        if (n && !n->ambiguous) m_seen = withDecimal(m_seen, n->decimal);
        return n;
    }
    Decimal seen() const { return m_seen; }

  private:
    Decimal m_seen = Decimal::Unknown;
};

// Reads the words after "Filter N:". Returns the reason when the line cannot be used; an empty
// reason with `none` set is a "None" entry.
std::string readFilterBody(const std::vector<std::string_view>& w, Draft& d, bool& none,
                           Numbers& numbers) {
    FileFilter& f = d.f;
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
    TypeWord shape = type->shape;

    std::size_t i = 2;
    // The newer measurement exports name the types given by Q in two words: "LP Q", "HS Q".
    const bool qType = (shape == TypeWord::Shelf || shape == TypeWord::Pass) && w.size() > 3 &&
                       sameWord(w[2], "Q") && sameWord(w[3], "Fc");
    if (qType) {
        shape = shape == TypeWord::Shelf ? TypeWord::CentreShelf : TypeWord::PassQ;
        ++i;
    }
    const bool shelf = shape == TypeWord::Shelf || shape == TypeWord::CentreShelf;
    // Shelves may give their slope right after the type: "LSC 12 dB", "LS 6dB".
    if (shelf && !qType && i < w.size() && !sameWord(w[i], "Fc")) {
        const auto db = numbers.value(w[i]);
        if (!db || i + 1 >= w.size() || !sameWord(w[i + 1], "dB"))
            return "unexpected '" + std::string(w[i]) + "' after the shelf type";
        if (!(*db > 0.0 && *db <= kLargestSlopeDb)) return "shelf slope out of range";
        f.slope = *db / kShelfSlopeDbPerUnit;
        f.bySlope = true;
        f.corner = shape == TypeWord::Shelf;
        i += 2;
    }
    bool haveFc = false, haveGain = false, haveQ = false;
    while (i < w.size()) {
        const std::string_view key = w[i];
        // A modal filter ends with the decay it aims at ("T60 target 300 ms"): nothing to fit.
        if (shape == TypeWord::Modal && sameWord(key, "T60")) break;
        if (i + 1 >= w.size()) return "no value after '" + std::string(key) + "'";
        if (sameWord(key, "Fc")) {
            const auto v = numbers.frequency(w[i + 1]);
            if (!v) return "frequency '" + std::string(w[i + 1]) + "' is not a number";
            d.fc = *v;
            d.fcText = std::string(w[i + 1]);
            i += 2;
            if (i < w.size() && sameWord(w[i], "kHz")) {
                d.kHz = true;
                ++i;
            } else if (i < w.size() && sameWord(w[i], "Hz")) {
                ++i;
            }
            haveFc = true;
        } else if (sameWord(key, "Gain")) {
            const auto v = numbers.value(w[i + 1]);
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
            const auto v = numbers.value(w[at]);
            if (!v) return "'" + std::string(w[at]) + "' is not a number";
            i = at + 1;
            if (bandwidth && i < w.size() && sameWord(w[i], "Oct")) ++i;
            if (bandwidth) {
                if (!(*v > 0.0 && *v <= 10.0)) return "bandwidth out of range";
                d.bandwidth = *v;
            } else {
                if (!(*v > 0.0 && *v <= kLargestQ)) return "Q out of range";
                f.q = *v;
            }
            haveQ = true;
        } else {
            return "unexpected '" + std::string(key) + "'";
        }
    }
    if (!haveFc) return "no frequency (Fc)";
    switch (shape) {
        case TypeWord::Peak:
        case TypeWord::Modal:
            if (!haveGain) return "no gain";
            if (!haveQ) return "no Q";
            break;
        case TypeWord::Shelf:
        case TypeWord::CentreShelf:
            if (!haveGain) return "no gain";
            if (haveQ && f.bySlope) return "both a slope and a Q";
            if (qType && !haveQ) return "no Q";
            if (!haveQ && !f.bySlope) {
                f.slope = kDefaultShelfSlope;
                f.bySlope = true;
            }
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

std::string hzText(double hz) {
    return formatFixed(hz, hz < 100.0 ? 3 : 1) + " Hz";
}

// Settles what needed the whole file: the frequency (by the file's decimal separator), a
// corner shelf's midpoint and a bandwidth's Q. Returns the reason when the filter is not usable.
std::string finishFilter(Draft& d, Decimal seen) {
    FileFilter& f = d.f;
    double hz = d.fc.value;
    if (d.fc.ambiguous && !d.kHz) {
        const Decimal other = d.fc.decimal == Decimal::Point ? Decimal::Comma : Decimal::Point;
        if (seen == other || (d.fc.decimal == Decimal::Comma && seen != Decimal::Comma)) {
            hz = d.fc.grouped;  // "1,250" is 1250 Hz unless the file writes decimal commas
        } else if (seen != d.fc.decimal) {
            return "frequency '" + d.fcText + "' could be " + hzText(d.fc.value) + " or " +
                   hzText(d.fc.grouped) +
                   ", and no other number in the file shows its decimal separator";
        }
    }
    if (d.kHz) hz *= 1000.0;
    if (!(hz >= kLowestFrequency && hz <= kHighestFrequency))
        return "frequency out of range (1 Hz to 24 kHz)";
    f.frequency = hz;
    if (f.corner) {
        // The midpoint lies |G| / (80 S) decades inside the shelf from its corner.
        const double decades = std::abs(f.gain) / (80.0 * f.slope);
        f.cornerFrequency = hz;
        f.frequency = f.kind == FilterKind::LowShelf ? hz * std::pow(10.0, decades)
                                                     : hz / std::pow(10.0, decades);
        if (!(f.frequency >= kLowestFrequency && f.frequency <= kHighestFrequency))
            return "the shelf's midpoint, " + hzText(f.frequency) + ", is out of range";
    }
    if (d.bandwidth) {
        // The bandwidth of a digital filter between its band edges at this sample rate.
        const double w0 = 2.0 * std::numbers::pi * f.frequency / kFitSampleRate;
        f.q = 1.0 / (2.0 * std::sinh(std::numbers::ln2 / 2.0 * *d.bandwidth * w0 / std::sin(w0)));
        if (!(f.q > 0.0 && f.q <= kLargestQ)) return "Q out of range";
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

// Whether the channels of a "Channel:" line include the side read; nullopt for a line naming
// a channel this reader does not know. Channels are named, or numbered from 1 (L, R, ...).
std::optional<bool> channelsInclude(const std::vector<std::string_view>& w, SourceChannel side) {
    static constexpr std::array<std::string_view, 9> kNames{"L",  "R",  "C",  "LFE", "RL",
                                                            "RR", "RC", "SL", "SR"};
    const std::string_view name = side == SourceChannel::Left ? "L" : "R";
    const std::string_view number = side == SourceChannel::Left ? "1" : "2";
    auto known = [](std::string_view c) {
        return sameWord(c, "all") ||
               std::any_of(kNames.begin(), kNames.end(),
                           [c](std::string_view n) { return sameWord(c, n); }) ||
               std::all_of(c.begin(), c.end(),
                           [](char x) { return std::isdigit(static_cast<unsigned char>(x)); });
    };
    if (w.empty() || !std::all_of(w.begin(), w.end(), known)) return std::nullopt;
    return std::any_of(w.begin(), w.end(), [&](std::string_view c) {
        return sameWord(c, "all") || sameWord(c, name) || c == number;
    });
}

}  // namespace

FilterFile readFilterFile(std::string_view text, SourceChannel channel) {
    FilterFile file;
    Numbers numbers;
    std::vector<Draft> drafts;
    bool firstLine = true;
    bool inHeader = false;  // the measurement export's header, up to its first Filter line
    bool ourChannel = true;
    std::string channelLine;  // the Channel line in force, for the reason of a line left out
    const std::string side = channel == SourceChannel::Left ? "L" : "R";
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
        auto otherChannel = [&] {
            problem("for '" + channelLine + "'; the filters of channel " + side + " are read");
        };
        if (startsWithWord(line, "Channel:")) {
            const auto include = channelsInclude(words(line.substr(8)), channel);
            if (!include) {
                problem("no channel this program knows");
                continue;
            }
            ourChannel = *include;
            channelLine = std::string(line);
            continue;
        }
        if (startsWithWord(line, "Preamp:")) {
            if (!ourChannel) {
                otherChannel();
                continue;
            }
            const auto w = words(line.substr(7));
            const auto v = w.empty() ? std::nullopt : numbers.value(w[0]);
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
        if (!ourChannel) {
            otherChannel();
            continue;
        }
        Draft d;
        d.f.line = lineNumber;
        d.f.text = std::string(line);
        bool none = false;
        std::string why = readFilterBody(words(line.substr(body)), d, none, numbers);
        if (!why.empty())
            problem(std::move(why));
        else if (!none)
            drafts.push_back(std::move(d));
    }
    for (Draft& d : drafts) {
        std::string why = finishFilter(d, numbers.seen());
        if (why.empty())
            file.filters.push_back(std::move(d.f));
        else
            file.problems.push_back({d.f.line, d.f.text, std::move(why)});
    }
    std::stable_sort(file.problems.begin(), file.problems.end(),
                     [](const LineProblem& a, const LineProblem& b) { return a.line < b.line; });
    return file;
}

}  // namespace vt::eqfile
