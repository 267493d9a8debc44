// Evaluation frequencies of the prototype and their precomputed magnitude terms.
#include "eq/evaluation_frequencies.h"

#include <cmath>
#include <numbers>

#include "model/rounding.h"

namespace vt {
namespace {

// The step between unstretched evaluation frequencies, single precision.
constexpr double kStep = static_cast<float>(std::numbers::pi / kPoints);
constexpr int kHalf = kPoints / 2;

// Position on the unstretched scale (in steps) of prototype index i.
double stretchedPosition(int i, int start, bool shelf) {
    if (i <= kHalf) {
        const bool inside = shelf ? i >= start : i > start;
        return inside ? static_cast<double>(i - start) / (kHalf - start) * kHalf : 1.0;
    }
    if (i <= kPoints - start)
        return kHalf + kHalf * static_cast<double>(i - kHalf) / (kHalf - start);
    return kPoints - 1;
}

std::array<float, kPointCount> buildTerms(Stretch stretch) {
    std::array<float, kPointCount> terms{};
    for (int i = 0; i <= kPoints; ++i) {
        const double half = std::sin(evaluationFrequency(stretch, i) / 2.0);
        terms[static_cast<std::size_t>(i)] = static_cast<float>(4.0 * half * half);
    }
    return terms;
}

}  // namespace

int stretchStart(Stretch stretch) {
    switch (stretch) {
        case Stretch::Shelf:
            return static_cast<int>(roundHalfEven(kPoints * 120.0 / 512.0));
        case Stretch::Filter:
            return static_cast<int>(roundHalfEven(kPoints * 140.0 / 512.0));
        case Stretch::None:
            break;
    }
    return 0;
}

double evaluationFrequency(Stretch stretch, int i) {
    if (stretch == Stretch::None) return i * kStep;
    return stretchedPosition(i, stretchStart(stretch), stretch == Stretch::Shelf) * kStep;
}

const std::array<float, kPointCount>& evaluationTerms(Stretch stretch) {
    static const std::array<float, kPointCount> none = buildTerms(Stretch::None);
    static const std::array<float, kPointCount> shelf = buildTerms(Stretch::Shelf);
    static const std::array<float, kPointCount> filter = buildTerms(Stretch::Filter);
    switch (stretch) {
        case Stretch::Shelf:
            return shelf;
        case Stretch::Filter:
            return filter;
        case Stretch::None:
            break;
    }
    return none;
}

}  // namespace vt
