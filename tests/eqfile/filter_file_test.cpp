// Reading filter lists: both formats, units, numbering, off and empty filters, and what is
// reported instead of guessed.
#include "eqfile/filter_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

namespace vt::eqfile {
namespace {

TEST(FilterFileReader, FilterLinesOfBothFormats) {
    const struct {
        const char* line;
        FilterKind kind;
        bool enabled;
        double frequency, gain, q, slope;
    } rows[] = {
        {"Filter  1: ON  PK       Fc   125.0 Hz  Gain  -3.0 dB  Q  1.00", FilterKind::Peak, true,
         125, -3, 1, 0},
        {"Filter: ON PK Fc 125 Hz Gain -3 dB Q 1", FilterKind::Peak, true, 125, -3, 1, 0},
        {"Filter 12: OFF PK Fc 1.25 kHz Gain +2.5 dB Q 4", FilterKind::Peak, false, 1250, 2.5, 4,
         0},
        {"filter 3: on pk fc 80hz gain 6db q 2", FilterKind::Peak, true, 80, 6, 2, 0},
        {"Filter: ON LSC Fc 100 Hz Gain 5 dB Q 0.5", FilterKind::LowShelf, true, 100, 5, 0.5, 0},
        {"Filter: ON HSC 6 dB Fc 8000 Hz Gain -4 dB", FilterKind::HighShelf, true, 8000, -4, 0,
         0.5},
        {"Filter: ON HS Fc 10 kHz Gain 2 dB", FilterKind::HighShelf, true, 10000, 2, 0, 0.9},
        {"Filter: ON HP Fc 40 Hz", FilterKind::HighPass, true, 40, 0, kDefaultPassQ, 0},
        {"Filter: ON LPQ Fc 12 kHz Q 0.5", FilterKind::LowPass, true, 12000, 0, 0.5, 0},
        // A bandwidth is the digital filter's: Q 1.41 (the analogue value) only far below
        // half the sample rate, Q 1.03 at 10 kHz.
        {"Filter: ON PK Fc 1000 Hz Gain 3 dB BW Oct 1", FilterKind::Peak, true, 1000, 3, 1.4100178,
         0},
        {"Filter: ON PK Fc 10000 Hz Gain 6 dB BW Oct 1", FilterKind::Peak, true, 10000, 6,
         1.0264288, 0},
        // The newer measurement exports: two-word types, modal filters with their decay target.
        {"Filter  7: ON  LP Q     Fc   80.00 Hz  Q   0.71", FilterKind::LowPass, true, 80, 0, 0.71,
         0},
        {"Filter  8: ON  HP Q     Fc  100.00 Hz  Q   0.50", FilterKind::HighPass, true, 100, 0, 0.5,
         0},
        {"Filter  2: ON  Modal    Fc   50.00 Hz  Gain  -3.0 dB  Q  5.41  T60 target   300 ms",
         FilterKind::Peak, true, 50, -3, 5.41, 0},
        {"Filter: ON PK Fc 125 Hz Gain -3,0 dB Q 1,5", FilterKind::Peak, true, 125, -3, 1.5, 0},
    };
    for (const auto& r : rows) {
        const FilterFile file = readFilterFile(r.line);
        ASSERT_EQ(file.filters.size(), 1u) << r.line;
        EXPECT_TRUE(file.problems.empty()) << r.line << ": " << file.problems.front().reason;
        const FileFilter& f = file.filters.front();
        EXPECT_EQ(f.kind, r.kind) << r.line;
        EXPECT_EQ(f.enabled, r.enabled) << r.line;
        EXPECT_DOUBLE_EQ(f.frequency, r.frequency) << r.line;
        EXPECT_DOUBLE_EQ(f.gain, r.gain) << r.line;
        if (r.slope > 0) {
            EXPECT_TRUE(f.bySlope) << r.line;
            EXPECT_DOUBLE_EQ(f.slope, r.slope) << r.line;
        } else {
            EXPECT_NEAR(f.q, r.q, 1e-6) << r.line;
        }
        EXPECT_FALSE(f.corner) << r.line;
    }
}

// Shelves named with a slope in dB after "LS"/"HS" give their corner frequency: the midpoint
// lies |G| / (80 S) decades inside the shelf. "LSC"/"HSC" and shelves given by Q give the
// midpoint itself; a shelf with neither a Q nor a slope has the slope 0.9 (10.8 dB/octave).
TEST(FilterFileReader, ShelvesOfEveryKindSitWhereTheirFormatsPutThem) {
    const struct {
        const char* line;
        FilterKind kind;
        double midpoint, slope, q;
        bool corner;
    } rows[] = {
        {"Filter: ON LS 6dB Fc 50.0 Hz Gain 12 dB", FilterKind::LowShelf, 99.763116, 0.5, 0, true},
        {"Filter: ON LS 12dB Fc 2000 Hz Gain -5.0 dB", FilterKind::LowShelf, 2309.5640, 1, 0, true},
        {"Filter: ON HS 6dB Fc 12000 Hz Gain 10.0 dB", FilterKind::HighShelf, 6748.0959, 0.5, 0,
         true},
        {"Filter  14: ON  HS 12dB  Fc  500.00 Hz  Gain    5.0 dB", FilterKind::HighShelf, 432.98216,
         1, 0, true},
        {"Filter: ON LS 9 dB Fc 100 Hz Gain 6 dB", FilterKind::LowShelf, 125.89254, 0.75, 0, true},
        {"Filter: ON LS Fc 300 Hz Gain 5.0 dB", FilterKind::LowShelf, 300, 0.9, 0, false},
        {"Filter  10: ON  HS       Fc  160.00 Hz  Gain    2.0 dB", FilterKind::HighShelf, 160, 0.9,
         0, false},
        {"Filter: ON LSC 10.8 dB Fc 300 Hz Gain 5.0 dB", FilterKind::LowShelf, 300, 0.9, 0, false},
        {"Filter: ON HSC 6 dB Fc 100 Hz Gain -6.0 dB", FilterKind::HighShelf, 100, 0.5, 0, false},
        {"Filter: ON HSC Fc 100 Hz Gain -6.0 dB Q 0.4272", FilterKind::HighShelf, 100, 0, 0.4272,
         false},
        {"Filter  15: ON  LS Q     Fc  500.00 Hz  Gain    3.0 dB Q   0.71", FilterKind::LowShelf,
         500, 0, 0.71, false},
        {"Filter  16: ON  HS Q     Fc  630.00 Hz  Gain   -2.0 dB Q   0.71", FilterKind::HighShelf,
         630, 0, 0.71, false},
    };
    for (const auto& r : rows) {
        const FilterFile file = readFilterFile(r.line);
        ASSERT_EQ(file.filters.size(), 1u) << r.line;
        const FileFilter& f = file.filters.front();
        EXPECT_EQ(f.kind, r.kind) << r.line;
        EXPECT_NEAR(f.frequency, r.midpoint, 1e-3) << r.line;
        EXPECT_EQ(f.corner, r.corner) << r.line;
        EXPECT_EQ(f.bySlope, r.slope > 0) << r.line;
        if (r.slope > 0)
            EXPECT_DOUBLE_EQ(f.slope, r.slope) << r.line;
        else
            EXPECT_DOUBLE_EQ(f.q, r.q) << r.line;
    }
}

// Decimal commas and thousands separators, as other locales write them. A frequency of one
// to three digits, a separator and three more digits is read by the file's own decimal
// separator, shown by its other numbers; "1,250" alone is 1250 Hz, "1.250" alone is refused.
TEST(FilterFileReader, NumbersInTheExportingMachinesLocale) {
    const struct {
        const char* text;
        double frequency;  // 0: refused
    } rows[] = {
        {"Filter: ON PK Fc 1,250 Hz Gain -3 dB Q 1", 1250},
        {"Filter: ON PK Fc 1,250 Hz Gain -3.0 dB Q 1", 1250},
        {"Filter: ON PK Fc 1.250 Hz Gain -3,0 dB Q 1", 1250},
        {"Filter: ON PK Fc 1,250 Hz Gain -3,0 dB Q 1", 1.25},
        {"Filter: ON PK Fc 1.250 Hz Gain -3.0 dB Q 1", 1.25},
        {"Filter: ON PK Fc 1.250 Hz Gain -3 dB Q 1\nFilter: ON PK Fc 80.00 Hz Gain 2 dB Q 1", 1.25},
        {"Filter: ON PK Fc 1.250 Hz Gain -3 dB Q 1", 0},
        {"Filter: ON PK Fc 1.250 Hz Gain -3,0 dB Q 1.5", 0},  // both separators: no telling
        {"Filter: ON PK Fc 1.250,5 Hz Gain -3 dB Q 1", 1250.5},
        {"Filter: ON PK Fc 12,345.5 Hz Gain -3 dB Q 1", 12345.5},
        {"Filter: ON PK Fc 1250.000 Hz Gain -3 dB Q 1", 1250},
        {"Filter: ON PK Fc 125,5 Hz Gain -3 dB Q 1", 125.5},
        {"Filter: ON PK Fc 0,250 kHz Gain -3 dB Q 1", 250},
        {"Filter: ON PK Fc 1.250 kHz Gain -3 dB Q 1", 1250},
        {"Filter: ON PK Fc 1,5kHz Gain -3 dB Q 1", 1500},
    };
    for (const auto& r : rows) {
        const FilterFile file = readFilterFile(r.text);
        if (r.frequency == 0) {
            ASSERT_EQ(file.problems.size(), 1u) << r.text;
            EXPECT_EQ(file.problems[0].reason,
                      "frequency '1.250' could be 1.250 Hz or 1250.0 Hz, and no other number in "
                      "the file shows its decimal separator")
                << r.text;
            continue;
        }
        ASSERT_FALSE(file.filters.empty()) << r.text;
        EXPECT_TRUE(file.problems.empty()) << r.text;
        EXPECT_NEAR(file.filters[0].frequency, r.frequency, 1e-9) << r.text;
    }
    for (const char* bad : {"1,2,3", "1.2,3", "12,34,567", "1..2", "+-1", "1,2.3.4", "1'000"}) {
        const FilterFile file =
            readFilterFile(std::string("Filter: ON PK Fc 100 Hz Gain ") + bad + " dB Q 1");
        ASSERT_EQ(file.problems.size(), 1u) << bad;
        EXPECT_EQ(file.problems[0].reason, std::string("gain '") + bad + "' is not a number");
    }
}

// A configuration with Channel blocks: the filters for the side read, never both sides summed.
TEST(FilterFileReader, ChannelBlocksGiveOneSide) {
    const char* text =
        "Preamp: -3 dB\n"
        "Channel: L\n"
        "Filter 1: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
        "Channel: R\n"
        "Preamp: -1 dB\n"
        "Filter 2: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
        "Channel: 1 2\n"
        "Filter 3: ON PK Fc 2000 Hz Gain -2 dB Q 2\n"
        "Channel: C LFE\n"
        "Filter 4: ON PK Fc 50 Hz Gain -6 dB Q 4\n"
        "Channel: all\n"
        "Filter 5: ON PK Fc 8000 Hz Gain 1 dB Q 1\n"
        "Channel: Left\n";
    const struct {
        SourceChannel side;
        std::vector<int> lines;
        double preamp;
        std::vector<int> problems;
    } rows[] = {
        {SourceChannel::Left, {3, 8, 12}, -3.0, {5, 6, 10, 13}},
        {SourceChannel::Right, {6, 8, 12}, -4.0, {3, 10, 13}},
    };
    for (const auto& r : rows) {
        const FilterFile file = readFilterFile(text, r.side);
        std::vector<int> lines, problems;
        for (const auto& f : file.filters) lines.push_back(f.line);
        for (const auto& p : file.problems) problems.push_back(p.line);
        EXPECT_EQ(lines, r.lines);
        EXPECT_EQ(problems, r.problems);
        ASSERT_TRUE(file.preampDb);
        EXPECT_DOUBLE_EQ(*file.preampDb, r.preamp);
    }
    const FilterFile left = readFilterFile(text);
    EXPECT_EQ(left.problems[1].reason, "for 'Channel: R'; the filters of channel L are read");
    EXPECT_EQ(left.problems[3].reason, "no channel this program knows");
}

TEST(FilterFileReader, LinesItCannotUseAreReportedWithTheirNumbers) {
    const struct {
        const char* line;
        const char* reason;
    } rows[] = {
        {"Filter: ON PK Fc 125 Hz Gain -3 dB", "no Q"},
        {"Filter: ON PK Fc abc Hz Gain -3 dB Q 1", "frequency 'abc' is not a number"},
        {"Filter: ON PK Fc 125;5 Hz Gain -3 dB Q 1", "frequency '125;5' is not a number"},
        {"Filter: ON LS 6dB Fc 20 kHz Gain 20 dB",
         "the shelf's midpoint, 63245.6 Hz, is out of range"},
        {"Filter: ON LS Q Fc 100 Hz Gain 3 dB", "no Q"},
        {"Filter: ON Notch Fc 100 Hz", "the unit has no filter of type 'Notch'"},
        {"Filter: ON PK Fc 0 Hz Gain -3 dB Q 1", "frequency out of range (1 Hz to 24 kHz)"},
        {"Filter: ON PK Fc 30 kHz Gain -3 dB Q 1", "frequency out of range (1 Hz to 24 kHz)"},
        {"Filter: ON PK Fc 100 Hz Gain -3 dB Q 0", "Q out of range"},
        {"Filter: ON PK Fc 100 Hz Gain nan dB Q 1", "gain 'nan' is not a number"},
        {"Filter: ON NO Fc 100 Hz", "the unit has no filter of type 'NO'"},
        {"Filter: ON XYZ Fc 100 Hz", "unknown filter type 'XYZ'"},
        {"Filter: MAYBE PK Fc 100 Hz Gain 1 dB Q 1", "expected ON or OFF, found 'MAYBE'"},
        {"Filter: ON PK Fc 100 Hz Gain 1 dB Q 1 Slope 3", "unexpected 'Slope'"},
        {"Filter: ON PK Fc", "no value after 'Fc'"},
        {"Filter ON PK Fc 100 Hz Gain 1 dB Q 1", "not understood"},
        {"Preamp: loud", "preamp is not a gain in dB"},
        {"Curve: 25 -3; 40 2", "not understood"},
    };
    for (const auto& r : rows) {
        const std::string text = std::string("# a comment\n\n") + r.line + "\n";
        const FilterFile file = readFilterFile(text);
        EXPECT_TRUE(file.filters.empty()) << r.line;
        ASSERT_EQ(file.problems.size(), 1u) << r.line;
        EXPECT_EQ(file.problems.front().line, 3) << r.line;
        EXPECT_EQ(file.problems.front().reason, r.reason) << r.line;
        EXPECT_EQ(file.problems.front().text, r.line);
        EXPECT_FALSE(file.usable());
    }
}

TEST(FilterFileReader, MeasurementExportWithHeaderNoneAndJunk) {
    const char* text =
        "Filter Settings file\r\n"
        "\r\n"
        "Measured 2026 V1.0\r\n"
        "Dated: 10-Dec-2026 12:00:00\r\n"
        "Notes:measured at the seat\r\n"
        "Equaliser: Generic\r\n"
        "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -6.5 dB  Q  5.00\r\n"
        "Filter  2: ON  None\r\n"
        "Filter  3: OFF PK       Fc   1.50 kHz  Gain   2.0 dB  Q  1.00\r\n"
        "Some junk\r\n"
        "Filter  4: ON  None";
    const FilterFile file = readFilterFile(text);
    ASSERT_EQ(file.filters.size(), 2u);
    EXPECT_EQ(file.filters[0].line, 7);
    EXPECT_EQ(file.filters[1].line, 9);
    EXPECT_FALSE(file.filters[1].enabled);
    EXPECT_DOUBLE_EQ(file.filters[1].frequency, 1500.0);
    ASSERT_EQ(file.problems.size(), 1u);  // the header is expected, the junk after it is not
    EXPECT_EQ(file.problems[0].line, 10);
    EXPECT_FALSE(file.preampDb);
}

TEST(FilterFileReader, PreampIsSummedAndNumbersIgnoreTheLocale) {
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may be missing; the C locale then stays
    const FilterFile file = readFilterFile(
        "\xEF\xBB\xBFPreamp: -6.5 dB\nFilter 1: ON PK Fc 100.5 Hz Gain 1.5 dB Q 0.7\nPreamp: -1 "
        "dB\n");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(file.preampDb);
    EXPECT_DOUBLE_EQ(*file.preampDb, -7.5);
    EXPECT_EQ(file.preampLine, 1);
    ASSERT_EQ(file.filters.size(), 1u);
    EXPECT_DOUBLE_EQ(file.filters[0].frequency, 100.5);
    EXPECT_TRUE(file.problems.empty());
}

TEST(FilterFileReader, NothingUsable) {
    for (const char* text : {"", "\n\n", "# only a comment\nPreamp: -3 dB\n", "Filter 1: ON None\n",
                             "\x01\x02 binary"}) {
        EXPECT_FALSE(readFilterFile(text).usable()) << text;
    }
}

}  // namespace
}  // namespace vt::eqfile
