// Reading filter lists: both formats, units, numbering, off and empty filters, and what is
// reported instead of guessed.
#include "eqfile/filter_file.h"

#include <gtest/gtest.h>

#include <clocale>

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
        {"Filter  2: ON  LS 12dB  Fc   90.0 Hz  Gain   4.0 dB", FilterKind::LowShelf, true, 90, 4,
         0, 1},
        {"Filter: ON HS Fc 10 kHz Gain 2 dB", FilterKind::HighShelf, true, 10000, 2, kDefaultPassQ,
         0},
        {"Filter: ON HP Fc 40 Hz", FilterKind::HighPass, true, 40, 0, kDefaultPassQ, 0},
        {"Filter: ON LPQ Fc 12 kHz Q 0.5", FilterKind::LowPass, true, 12000, 0, 0.5, 0},
        {"Filter: ON PK Fc 1000 Hz Gain 3 dB BW Oct 1", FilterKind::Peak, true, 1000, 3, 1.41421356,
         0},
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
    }
}

TEST(FilterFileReader, LinesItCannotUseAreReportedWithTheirNumbers) {
    const struct {
        const char* line;
        const char* reason;
    } rows[] = {
        {"Filter: ON PK Fc 125 Hz Gain -3 dB", "no Q"},
        {"Filter: ON PK Fc abc Hz Gain -3 dB Q 1", "frequency 'abc' is not a number"},
        {"Filter: ON PK Fc 125,5 Hz Gain -3 dB Q 1", "frequency '125,5' is not a number"},
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
