// Reading a measured or wanted response from text: frequency and level pairs from a measurement
// program's text export, a CSV with a header, or plain columns; sorted, duplicates dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::autoeq {

// Far above any real measurement; a larger file is refused unread.
inline constexpr std::uintmax_t kLargestResponseFile = 4u << 20;
// A measurement needs this many usable points; a target file needs one.
inline constexpr std::size_t kFewestMeasurementPoints = 10;
inline constexpr std::size_t kFewestTargetPoints = 1;
// No measurement comes near this level; a larger one would overflow the levelling and the
// interpolation, so it is refused as unusable.
inline constexpr double kLargestLevelDb = 1000.0;
// The frequencies a response may name (a point at 0 Hz or below is passed over).
inline constexpr double kLowestHz = 1e-3;
inline constexpr double kHighestHz = 1e6;

struct ResponsePoint {
    double hz = 0.0;
    double db = 0.0;
};

struct ResponseRead {
    std::vector<ResponsePoint> points;  // ascending frequency, each frequency once
    std::string problem;                // empty when the text was read
    int line = 0;                       // the line the problem is on, 0 for the whole text
};

// Reads `text`. Lines starting with '*' or '#' are comments; one header line of words may come
// before the first pair. Columns are separated by blanks, tabs or commas; in a line with a ';'
// the semicolons and blanks separate and a comma is the decimal separator. The first two columns
// are frequency (Hz) and level (dB); further columns (phase, ...) are ignored. A point at or
// below 0 Hz is skipped. A line that is not a pair, a non-finite number, a level beyond
// ±kLargestLevelDb, a frequency outside kLowestHz to kHighestHz, or fewer than `fewest` points
// is refused.
ResponseRead readResponse(std::string_view text, std::size_t fewest);

// The same from a file of at most kLargestResponseFile bytes.
ResponseRead loadResponse(const std::string& path, std::size_t fewest);

}  // namespace vt::autoeq
