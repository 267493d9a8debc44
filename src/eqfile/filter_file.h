// Reader of parametric filter lists in text: the room-measurement "Filter Settings" export and the
// equaliser configuration format (Preamp, Channel, comments, numbered or unnumbered Filter lines).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::eqfile {

enum class FilterKind { Peak, LowShelf, HighShelf, HighPass, LowPass };

struct FileFilter {
    int line = 0;      // 1-based line number in the file
    std::string text;  // the line as written, trimmed
    FilterKind kind = FilterKind::Peak;
    bool enabled = true;     // "ON"; an "OFF" filter is kept but contributes nothing
    double frequency = 0.0;  // Hz; of a shelf, its midpoint (where it has half its gain)
    double gain = 0.0;       // dB; high- and low-pass filters ignore it
    double q = 0.0;          // Q of peaks, passes and shelves given by Q
    double slope = 0.0;      // shelves given by slope: the shelf slope S (12 dB/octave = 1)
    bool bySlope = false;
    // A shelf whose line names its corner frequency ("LS 6dB", "HS 12dB"); `frequency` then holds
    // the midpoint worked out from it, `cornerFrequency` the written one.
    bool corner = false;
    double cornerFrequency = 0.0;
};

struct LineProblem {
    int line = 0;
    std::string text;
    std::string reason;
};

struct FilterFile {
    std::vector<FileFilter> filters;    // in file order, "None" entries left out
    std::vector<LineProblem> problems;  // lines not understood or not usable, in file order
    std::optional<double> preampDb;     // sum of the Preamp lines, never applied
    int preampLine = 0;                 // the first Preamp line

    bool usable() const { return !filters.empty(); }
};

// A shelf slope S of 1 is 12 dB/octave: slopes given in dB are divided by this.
inline constexpr double kShelfSlopeDbPerUnit = 12.0;
// A shelf given with neither a Q nor a slope has this slope (10.8 dB/octave).
inline constexpr double kDefaultShelfSlope = 0.9;

inline constexpr double kDefaultPassQ = 0.70710678118654752;  // Butterworth, 1/sqrt(2)

// The channel of a stereo configuration whose filters are read; the unit's Main channel serves
// both sides, so one side's filters are taken, never the sum of both.
enum class SourceChannel { Left, Right };

// Reads the whole text. Never fails: what it cannot read, and the filters and preamps of
// `Channel:` blocks that leave out `channel`, are listed in `problems`.
FilterFile readFilterFile(std::string_view text, SourceChannel channel = SourceChannel::Left);

// The message of a file with no usable filter.
inline constexpr std::string_view kNothingUsable =
    "no filter in this file can be used: expected lines such as "
    "\"Filter 1: ON PK Fc 125 Hz Gain -3.0 dB Q 1.00\"";

}  // namespace vt::eqfile
