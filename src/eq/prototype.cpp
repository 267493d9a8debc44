// Prototype evaluation through the squared-sine form of |H|^2, and placement on the grid.
#include "eq/prototype.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "eq/vector_state.h"
#include "model/rounding.h"

namespace vt {
namespace {

// |H(e^jw)|^2 = (P (b0 b2 P - Xb) + Sb) / (P (a0 a2 P - Xa) + Sa) with P = (2 sin(w/2))^2.
struct MagnitudeTerms {
    double b0b2, xb, sb;
    double a0a2, xa, sa;

    explicit MagnitudeTerms(const Biquad& f)
        : b0b2(double{f.b0} * f.b2),
          xb(static_cast<float>(double{f.b1} * (double{f.b0} + f.b2) + 4.0 * b0b2)),
          sb(square(f.b0, f.b1, f.b2)),
          a0a2(double{f.a0} * f.a2),
          xa(static_cast<float>(double{f.a1} * (double{f.a0} + f.a2) + 4.0 * a0a2)),
          sa(square(f.a0, f.a1, f.a2)) {}

    static float square(float x0, float x1, float x2) {
        const double sum = double{x0} + x1 + x2;
        return static_cast<float>(sum * sum);
    }
};

constexpr double kTenOverLn10 = 10.0 / std::numbers::ln10;

}  // namespace

void evaluatePrototype(const Biquad& section, Stretch stretch, bool lowPassGuard,
                       Response& prototype) {
    clearUpperVectorState();
    const MagnitudeTerms m(section);
    const auto& terms = evaluationTerms(stretch);
    float previous = 0.0f;
    float previousTerm = -1.0f;
    for (std::size_t i = 0; i < kPointCount; ++i) {
        const float p = terms[i];
        if (p == previousTerm) {  // held ranges of the stretch evaluate the same frequency
            prototype[i] = previous;
            continue;
        }
        previousTerm = p;
        double num = p * (m.b0b2 * p - m.xb) + m.sb;
        double den = p * (m.a0a2 * p - m.xa) + m.sa;
        if (lowPassGuard) {
            num = static_cast<float>(num);
            den = static_cast<float>(den);
            if (num == 0.0 || den == 0.0) {
                prototype[i] = previous;
                continue;
            }
        }
        // 10 log10(num) - 10 log10(den), taken as one logarithm of the ratio.
        const auto value = static_cast<float>(kTenOverLn10 * std::log(num / den));
        if (std::isfinite(value)) previous = value;
        prototype[i] = previous;
    }
}

void placeOnGrid(const Response& prototype, int frequency, Response& out) {
    const int point = static_cast<int>(
        roundHalfEven(PointOfFrequency(std::max(static_cast<double>(frequency), 10.0))));
    const int shift = kCentreIndex - point;
    for (int j = 0; j <= kPoints; ++j)
        out[static_cast<std::size_t>(j)] =
            prototype[static_cast<std::size_t>(std::clamp(shift + j, 0, kPoints - 1))];
}

}  // namespace vt
