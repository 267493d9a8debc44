// Section coefficients. Values the response math keeps are rounded to float where they are formed;
// sin and cos of the design frequency are taken in double from the single-precision angle.
#include "eq/section_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vt {
namespace {

struct Angle {
    double s;
    double c;
};

Angle angleOf(double omega) {
    return {std::sin(omega), std::cos(omega)};
}

float gainFactor(float gain) {
    return static_cast<float>(std::pow(10.0, gain / 40.0));
}

Biquad secondOrder(double alpha, double c, bool lowPass) {
    Biquad f;
    const double k = lowPass ? 1.0 - c : 1.0 + c;
    f.b0 = static_cast<float>(k / 2.0);
    f.b1 = static_cast<float>(lowPass ? k : -k);
    f.b2 = f.b0;
    f.a0 = static_cast<float>(1.0 + alpha);
    f.a1 = static_cast<float>(-2.0 * c);
    f.a2 = static_cast<float>(1.0 - alpha);
    return f;
}

Biquad firstOrder(double s, double c, bool lowPass) {
    Biquad f;
    f.a0 = static_cast<float>(s + c + 1.0);
    f.a1 = static_cast<float>(s - c - 1.0);
    f.a2 = 0.0f;
    f.b0 = static_cast<float>(lowPass ? s : c + 1.0);
    f.b1 = static_cast<float>(lowPass ? s : -(c + 1.0));
    f.b2 = 0.0f;
    return f;
}

}  // namespace

Biquad designPeak(float q, float gain, double omega) {
    const auto [s, c] = angleOf(omega);
    const float a = gainFactor(gain);
    const auto qq = static_cast<float>((q + 0.01) / 0.35714285714285714);
    const auto alpha = static_cast<float>(s / (2.0 * qq));
    Biquad f;
    f.b0 = static_cast<float>(1.0 + double{alpha} * a);
    f.b1 = static_cast<float>(-2.0 * c);
    f.b2 = static_cast<float>(1.0 - double{alpha} * a);
    f.a0 = static_cast<float>(1.0 + double{alpha} / a);
    f.a1 = f.b1;
    f.a2 = static_cast<float>(1.0 - double{alpha} / a);
    return f;
}

Biquad designShelf(float slope, float gain, bool high, double omega) {
    const auto [s, c] = angleOf(omega);
    const auto slopeS = static_cast<float>(std::min(slope, 4.0f) + 0.001);
    const double a = gainFactor(gain);
    const auto alpha = static_cast<float>(
        s / 2.0 * std::sqrt(std::abs((a + 1.0 / a) * (1.0 / slopeS - 1.0) + 2.0)));
    const double root = 2.0 * std::sqrt(a) * alpha;
    // The high shelf is the low shelf with the sign of c and of the odd coefficients flipped.
    const double cc = high ? -c : c;
    const double odd = high ? -1.0 : 1.0;
    Biquad f;
    f.b0 = static_cast<float>(a * ((a + 1.0) - (a - 1.0) * cc + root));
    f.b1 = static_cast<float>(odd * 2.0 * a * ((a - 1.0) - (a + 1.0) * cc));
    f.b2 = static_cast<float>(a * ((a + 1.0) - (a - 1.0) * cc - root));
    f.a0 = static_cast<float>((a + 1.0) + (a - 1.0) * cc + root);
    f.a1 = static_cast<float>(odd * -2.0 * ((a - 1.0) + (a + 1.0) * cc));
    f.a2 = static_cast<float>((a + 1.0) + (a - 1.0) * cc - root);
    return f;
}

Biquad designFilter(FilterSection section, float q, bool lowPass, double omega) {
    const auto [s, c] = angleOf(omega);
    const auto qq = static_cast<float>(std::min(q, 4.0f) + 0.001);
    switch (section.design) {
        case 1:
            return secondOrder(s / (2.0 / std::numbers::sqrt3), c, lowPass);
        case 2:
            return secondOrder(s / (2.0 / std::numbers::sqrt2), c, lowPass);
        case 4:
            return secondOrder(s / (2.0 * qq), c, lowPass);
        case 6:
            return firstOrder(s, c, lowPass);
        case 7: {
            const int order = std::max(section.order, 1);
            const auto w = static_cast<float>((section.index + 0.5) * std::numbers::pi / order);
            return secondOrder(s * std::sin(double{w}), c, lowPass);
        }
        default:
            return Biquad{};  // pass-through
    }
}

Biquad designSection(SectionKind kind, FilterSection section, float q, float gain, double omega) {
    switch (kind) {
        case SectionKind::Peak:
            return designPeak(q, gain, omega);
        case SectionKind::LowShelf:
            return designShelf(q, gain, false, omega);
        case SectionKind::HighShelf:
            return designShelf(q, gain, true, omega);
        case SectionKind::HighPass:
            return designFilter(section, q, false, omega);
        case SectionKind::LowPass:
            return designFilter(section, q, true, omega);
    }
    return Biquad{};
}

}  // namespace vt
