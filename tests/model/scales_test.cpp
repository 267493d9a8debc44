// Value scales: tables, texts, snapping, and number text under a comma-decimal locale.
#include "model/scales.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "model/number_text.h"
#include "model/rounding.h"

namespace vt {
namespace {

TEST(FrequencyTable, TellingRowsAndExceptions) {
    const struct {
        int index;
        const char* text;
    } rows[] = {{0, "19.7"},      {1, "20.1"},      {36, "39.4"},    {80, "91.9"},
                {81, "94.0"},     {82, "95.0"},     {83, "97.0"},    {84, "99.0"},
                {85, "101.0"},    {120, "198.0"},   {168, "500.0"},  {204, "1000.0"},
                {205, "1020.0"},  {240, "2000.0"},  {288, "5040.0"}, {300, "6350.0"},
                {324, "10100.0"}, {360, "20200.0"}, {361, "20600.0"}};
    for (const auto& r : rows) EXPECT_EQ(frequencyText(r.index), r.text) << "index " << r.index;
    EXPECT_DOUBLE_EQ(frequencyValue(361), 20600.0);
    // The table rises strictly: no two steps share a text.
    for (int i = 1; i < kFreqSteps; ++i) EXPECT_LT(frequencyValue(i - 1), frequencyValue(i)) << i;
    // Out-of-table indexes are clamped, never read outside the table.
    EXPECT_EQ(frequencyText(-5), "19.7");
    EXPECT_EQ(frequencyText(999), "20600.0");
}

TEST(QTable, EntriesAndClamping) {
    EXPECT_EQ(qText(0), "0.1");
    EXPECT_EQ(qText(19), "0.71");
    EXPECT_EQ(qText(25), "1.00");
    EXPECT_EQ(qText(31), "1.40");
    EXPECT_EQ(qText(93), "51.00");
    EXPECT_EQ(qText(109), "128.00");
    EXPECT_EQ(qText(110), "128.00");
    EXPECT_EQ(releaseText(0), "Atk x 2");
    EXPECT_EQ(releaseText(7), "Atk x 32");
}

TEST(SnapToScale, ConvertsTypedNumbersByKind) {
    const struct {
        int kind;
        double x;
        double expected;
    } cases[] = {
        {kViewFreq, 1000, 204}, {kViewFreq, 1010, 204},  // tie goes to the lower index
        {kViewFreq, 1011, 205}, {kViewFreq, 5, 0},       {kViewFreq, 20, 1},
        {kViewFreq, 5000, 288}, {kViewFreq, 20500, 361}, {kViewFreq, 30000, 361},
        {kViewGain, 0, 120},    {kViewGain, -24, 0},     {kViewGain, 12, 180},
        {kViewGain, 0.5, 122},  {kViewGain, 1.5, 128},  // halves to even
        {kViewGain, -30, -30},                          // clamped by the view, not here
        {kViewQ, 4, 49},        {kViewQ, 4.1, 50},       {kViewQ, 0.05, 0},
        {kViewQ, 50, 93},       {kViewQ, 200, 110},      {kViewDelay, 42.7, 42.7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnapToScale(c.kind, c.x), c.expected) << "kind " << c.kind << " x " << c.x;
}

TEST(LinearScales, Texts) {
    EXPECT_EQ(gainText(120), "0.0dB");
    EXPECT_EQ(gainText(0), "-24.0dB");
    EXPECT_EQ(gainText(180), "12.0dB");
    EXPECT_EQ(gainText(119), "-0.2dB");
    EXPECT_EQ(gainText(200), "16.0dB");
    EXPECT_EQ(delayText(15), "1.5ms");
    EXPECT_EQ(attackText(10), "10.0ms");
    EXPECT_EQ(attackText(10.9), "10.0ms");
    EXPECT_EQ(volumeText(500), "50.0");
    EXPECT_EQ(volumeText(997), "99.7");
    EXPECT_EQ(volumeText(998), "100.0");
    EXPECT_EQ(auxGainText(5), "6dB");
    EXPECT_EQ(auxGainText(0), "-9dB");
    EXPECT_EQ(deqStartText(10), "-26dBu");
    EXPECT_EQ(deqCutoffText(10), "-20dBu");
}

TEST(PackedEncodings, CurvePointAndBandType) {
    EXPECT_EQ(packCurvePoint(-90, -90), 110 * 256 + 110);
    EXPECT_EQ(curvePointInputDb(packCurvePoint(21, -113)), 21);
    EXPECT_EQ(curvePointOutputDb(packCurvePoint(21, -113)), -113);
    EXPECT_EQ(packBandType(3, true), 13);
    EXPECT_EQ(bandTypeIndex(13), 3);
    EXPECT_TRUE(bandBypassed(13));
}

TEST(Rounding, HalfToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(66.6667), 67);
}

// A comma-decimal locale in the C library and in iostreams changes nothing.
TEST(NumberText, IgnoresCommaDecimalLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
    const char* active = nullptr;
    for (const char* n : names)
        if ((active = std::setlocale(LC_ALL, n)) != nullptr) break;
    ASSERT_NE(active, nullptr) << "no comma-decimal locale installed (scripts/setup installs them)";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    std::locale::global(std::locale(active));

    EXPECT_EQ(formatFixed(1.5, 1), "1.5");
    EXPECT_EQ(gainText(121), "0.2dB");
    EXPECT_EQ(frequencyText(0), "19.7");
    EXPECT_EQ(parseReal("5040.5"), 5040.5);
    EXPECT_FALSE(parseReal("5040,5").has_value());
    EXPECT_EQ(SnapToScale(kViewQ, *parseReal("0.71")), 19);

    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace vt
