// Response math: the figures a band must show at and around its own point, the Q substitutions,
// the flat codes, the evaluation frequencies and the agreement with the complex magnitude.
#include "eq/band_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "eq/prototype.h"

namespace vt {
namespace {

// The point of a band at 1 kHz (994 Hz after snapping).
constexpr int kPointOf1k = 273;

Response responseOf(int type, int frequency, float q, float gain) {
    Response r;
    r.fill(99.0f);  // every point must be written
    BandResponse({static_cast<std::uint8_t>(type), frequency, q, gain}, r);
    return r;
}

struct PointCase {
    const char* what;
    int type;
    float q;
    float gain;
    int offset;  // points from the band's own point
    double expected;
    double tolerance;
};

class BandAtPoint : public testing::TestWithParam<PointCase> {};

TEST_P(BandAtPoint, ShowsTheExpectedGain) {
    const PointCase& c = GetParam();
    const Response r = responseOf(c.type, 1000, c.q, c.gain);
    EXPECT_NEAR(r[kPointOf1k + c.offset], c.expected, c.tolerance);
    if (c.type == kTypePeak) {  // peaking bands are symmetric on the log axis
        EXPECT_NEAR(r[kPointOf1k - c.offset], c.expected, c.tolerance);
    }
}

// Figures given to two decimals are checked to +-0.006 dB; exact ones to single precision.
INSTANTIATE_TEST_SUITE_P(
    Figures, BandAtPoint,
    testing::Values(
        PointCase{"peak +12 Q1 at K", 0, 1.0f, 12.0f, 0, 12.0, 1e-4},
        PointCase{"peak +12 Q1 10 away", 0, 1.0f, 12.0f, 10, 10.14, 0.006},
        PointCase{"peak +12 Q1 20 away", 0, 1.0f, 12.0f, 20, 7.31, 0.006},
        PointCase{"peak +12 Q1 40 away", 0, 1.0f, 12.0f, 40, 3.73, 0.006},
        PointCase{"peak -6 Q4 at K", 0, 4.0f, -6.0f, 0, -6.0, 2e-4},
        PointCase{"peak -6 Q4 5 away", 0, 4.0f, -6.0f, 5, -3.76, 0.006},
        PointCase{"peak -6 Q4 10 away", 0, 4.0f, -6.0f, 10, -1.84, 0.006},
        PointCase{"low shelf half gain", 1, 1.0f, 12.0f, 0, 6.0, 1e-4},
        PointCase{"high shelf half gain", 2, 1.0f, 12.0f, 0, 6.0, 1e-4},
        PointCase{"low shelf low end", 1, 1.0f, 12.0f, -kPointOf1k, 12.0, 1e-3},
        PointCase{"low shelf high end", 1, 1.0f, 12.0f, kPoints - kPointOf1k, 0.0, 1e-3},
        PointCase{"high shelf low end", 2, 1.0f, 12.0f, -kPointOf1k, 0.0, 1e-3},
        PointCase{"high shelf high end", 2, 1.0f, 12.0f, kPoints - kPointOf1k, 12.0, 1e-3},
        PointCase{"HP OFF", 100, 1.0f, 0.0f, 0, 0.0, 1e-6},
        PointCase{"HP 12dB Bessel", 101, 1.0f, 0.0f, 0, -4.77, 0.006},
        PointCase{"HP 12dB Butterworth", 102, 1.0f, 0.0f, 0, -3.01, 0.006},
        PointCase{"HP 12dB Linkwitz-Riley", 103, 1.0f, 0.0f, 0, -6.02, 0.006},
        PointCase{"HP 24dB Bessel", 104, 1.0f, 0.0f, 0, -9.54, 0.006},
        PointCase{"HP 24dB Butterworth", 105, 1.0f, 0.0f, 0, -3.01, 0.006},
        PointCase{"HP 24dB Linkwitz-Riley", 106, 1.0f, 0.0f, 0, -6.02, 0.006},
        PointCase{"LP OFF", 200, 1.0f, 0.0f, 0, 0.0, 1e-6},
        PointCase{"LP 12dB Bessel", 201, 1.0f, 0.0f, 0, -4.77, 0.006},
        PointCase{"LP 12dB Butterworth", 202, 1.0f, 0.0f, 0, -3.01, 0.006},
        PointCase{"LP 12dB Linkwitz-Riley", 203, 1.0f, 0.0f, 0, -6.02, 0.006},
        PointCase{"LP 24dB Bessel", 204, 1.0f, 0.0f, 0, -9.54, 0.006},
        PointCase{"LP 24dB Butterworth", 205, 1.0f, 0.0f, 0, -3.01, 0.006},
        PointCase{"LP 24dB Linkwitz-Riley", 206, 1.0f, 0.0f, 0, -6.02, 0.006},
        // Second-order high-pass with Q 4.001 (Q 10 is drawn as 4): 20 log10 Q at its corner.
        PointCase{"VariQ HP Q10", 3, 10.0f, 0.0f, 0, 20.0 * std::log10(4.001), 1e-4},
        PointCase{"VariQ LP Q10", 4, 10.0f, 0.0f, 0, 20.0 * std::log10(4.001), 1e-4}),
    [](const testing::TestParamInfo<PointCase>& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(BandResponse, FiltersFallOnTheirStopSide) {
    const Response hp = responseOf(102, 1000, 1.0f, 0.0f);
    const Response lp = responseOf(202, 1000, 1.0f, 0.0f);
    EXPECT_LT(hp[kPointOf1k - 60], -15.0f);
    EXPECT_NEAR(hp[kPointOf1k + 60], 0.0f, 0.5f);
    EXPECT_LT(lp[kPointOf1k + 60], -15.0f);
    EXPECT_NEAR(lp[kPointOf1k - 60], 0.0f, 0.5f);
    // A cascade of two equal sections doubles the dB of one.
    const Response lp24 = responseOf(206, 1000, 1.0f, 0.0f);
    for (int j = 0; j <= kPoints; ++j) ASSERT_FLOAT_EQ(lp24[j], 2.0f * lp[j]) << j;
}

TEST(BandResponse, FlatCodesAndBypassedBands) {
    // Peaking at 0 dB whatever its Q (even a Q that makes the section degenerate), bypassed
    // bands 10..14, unknown band codes and filter list positions 7..9.
    for (float q : {0.1f, 1.0f, 128.0f, -0.01f})
        for (float v : responseOf(0, 1000, q, 0.0f)) ASSERT_EQ(v, 0.0f) << "Q " << q;
    for (int type : {10, 11, 12, 13, 14, 5, 99, 107, 108, 109, 207, 208, 209})
        for (float v : responseOf(type, 1000, 1.0f, 12.0f)) ASSERT_EQ(v, 0.0f) << "type " << type;
}

TEST(BandResponse, LowFrequenciesAreDrawnAtTenHertz) {
    const Response at10 = responseOf(0, 10, 1.0f, 12.0f);
    EXPECT_EQ(responseOf(0, 5, 1.0f, 12.0f), at10);
    EXPECT_EQ(responseOf(0, 0, 1.0f, 12.0f), at10);
    EXPECT_EQ(responseOf(0, -100, 1.0f, 12.0f), at10);
    // Only the right half of the prototype lies on the axis: the peak is at point 0.
    EXPECT_NEAR(at10[0], 12.0f, 1e-4f);
    EXPECT_NEAR(at10[10], 10.14f, 0.006f);
}

TEST(BandResponse, FrequencyOnlyMovesTheShape) {
    const Response a = responseOf(0, 1000, 2.0f, -9.0f);
    const Response b = responseOf(0, 4000, 2.0f, -9.0f);
    const int shift = static_cast<int>(std::lround(PointOfFrequency(4000))) - kPointOf1k;
    for (int j = 0; j + shift <= kPoints; ++j) ASSERT_EQ(a[j], b[j + shift]) << j;
}

TEST(BandResponse, VeryHighQIsSubstituted) {
    // At most one substitution: Q 121 is drawn with Q 102 itself, not with 102's substitute.
    const struct {
        float q;
        float drawnAs;
    } cases[] = {{102, 98}, {108, 100}, {114, 101}, {121, 102}, {128, 103}, {120, 120}, {103, 103}};
    const int snapped = planBand({kTypePeak, 1000, 1.0f, 0.0f}).frequency;
    for (const auto& c : cases) {
        Response drawn;
        PeakResponse(snapped, c.drawnAs, 6.0f, drawn);
        EXPECT_EQ(responseOf(kTypePeak, 1000, c.q, 6.0f), drawn) << c.q;
    }
    EXPECT_EQ(snapped, 994);
}

TEST(BandResponse, ShelfSlopeAndFilterQAreHeldAtFour) {
    EXPECT_EQ(responseOf(1, 1000, 9.0f, 6.0f), responseOf(1, 1000, 4.0f, 6.0f));
    EXPECT_NE(responseOf(1, 1000, 3.0f, 6.0f), responseOf(1, 1000, 4.0f, 6.0f));
    EXPECT_EQ(responseOf(3, 1000, 10.0f, 0.0f), responseOf(3, 1000, 4.0f, 0.0f));
}

TEST(BandResponse, ExtremeInputsGiveFiniteValues) {
    const BandSettings cases[] = {
        {0, std::numeric_limits<std::int32_t>::max(), 1.0f, 12.0f},
        {0, std::numeric_limits<std::int32_t>::min(), 1.0f, 12.0f},
        {0, 1000, std::nanf(""), 12.0f},
        {1, 1000, 1.0f, 1e30f},
        {2, 1000, -5.0f, -1e30f},
        {204, 1000, std::numeric_limits<float>::infinity(), 0.0f},
        {255, 1000, 1.0f, 0.0f},
    };
    for (const auto& s : cases) {
        Response r;
        BandResponse(s, r);
        for (float v : r) ASSERT_TRUE(std::isfinite(v)) << int{s.type} << " " << s.frequency;
    }
}

TEST(EvaluationFrequencies, CentreAndStretchBoundaries) {
    const double step = static_cast<float>(std::numbers::pi / kPoints);
    for (Stretch s : {Stretch::None, Stretch::Shelf, Stretch::Filter})
        EXPECT_NEAR(evaluationFrequency(s, kCentreIndex), kOmega0, 1e-6);
    EXPECT_EQ(stretchStart(Stretch::Shelf), 108);
    EXPECT_EQ(stretchStart(Stretch::Filter), 126);
    // At the boundary index a shelf evaluates at 0, a filter one step above; outside the
    // stretched band both are held one step from either end.
    EXPECT_EQ(evaluationFrequency(Stretch::Shelf, 108), 0.0);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::Filter, 126), step);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::Shelf, 0), step);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::Shelf, kPoints), (kPoints - 1) * step);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::Filter, kPoints - 126), kPoints * step);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::Filter, kPoints - 125), (kPoints - 1) * step);
    EXPECT_DOUBLE_EQ(evaluationFrequency(Stretch::None, 100), 100 * step);
}

// The squared-sine form must equal 20 log10 |H(e^jw)| of the same coefficients.
TEST(Prototype, AgreesWithTheComplexMagnitude) {
    const struct {
        const char* what;
        Biquad section;
        Stretch stretch;
        bool lowPass;
    } cases[] = {
        {"peak", designPeak(0.7f, 9.0f), Stretch::None, false},
        {"cut", designPeak(5.0f, -20.0f), Stretch::None, false},
        {"low shelf", designShelf(0.5f, -10.0f, false), Stretch::Shelf, false},
        {"high shelf", designShelf(2.0f, 8.0f, true), Stretch::Shelf, false},
        {"variq hp", designFilter({4}, 2.5f, false), Stretch::Filter, false},
        {"bw lp r0", designFilter({7, 4, 0}, 1.0f, true), Stretch::Filter, true},
        {"first order hp", designFilter({6}, 1.0f, false), Stretch::Filter, false},
        {"bessel lp", designFilter({1}, 1.0f, true), Stretch::Filter, true},
    };
    for (const auto& c : cases) {
        Response proto;
        evaluatePrototype(c.section, c.stretch, c.lowPass, proto);
        const auto& f = c.section;
        for (int i = 0; i <= kPoints; ++i) {
            const std::complex<double> z = std::polar(1.0, -evaluationFrequency(c.stretch, i));
            const auto h = (double{f.b0} + z * (double{f.b1} + z * double{f.b2})) /
                           (double{f.a0} + z * (double{f.a1} + z * double{f.a2}));
            const double exact = 20.0 * std::log10(std::abs(h));
            if (exact < -60.0) continue;  // deep stop band: float rounding dominates
            ASSERT_NEAR(proto[static_cast<std::size_t>(i)], exact, 2e-3) << c.what << " " << i;
        }
    }
}

TEST(Prototype, LowPassGuardRepeatsThePreviousValueAtTheZero) {
    // A filter's stretch reaches pi at index n - 126, where a low-pass numerator is exactly 0.
    Response proto;
    evaluatePrototype(designFilter({2}, 1.0f, true), Stretch::Filter, true, proto);
    constexpr int kZero = kPoints - 126;
    EXPECT_EQ(proto[kZero], proto[kZero - 1]);
    for (float v : proto) ASSERT_TRUE(std::isfinite(v));
}

TEST(PointGrid, EndsAndRoundTrip) {
    EXPECT_DOUBLE_EQ(PointOfFrequency(10), 0.0);
    EXPECT_NEAR(PointOfFrequency(24000), kPoints, 1e-9);
    EXPECT_DOUBLE_EQ(PointOfFrequency(0.5), PointOfFrequency(1));
    EXPECT_NEAR(FrequencyOfPoint(kPoints), 24000.0, 1e-6);
    for (double f : {19.7, 1000.0, 20600.0})
        EXPECT_NEAR(FrequencyOfPoint(PointOfFrequency(f)), f, 1e-9);
}

}  // namespace
}  // namespace vt
