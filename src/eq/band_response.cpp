// BandResponse: frequency snapping, Q substitution, dispatch on the type code and the sum of two
// sections; and the one-section responses.
#include "eq/band_response.h"

#include <algorithm>
#include <limits>

#include "eq/prototype.h"
#include "model/rounding.h"

namespace vt {
namespace {

// Very high Q values are drawn with a smaller Q.
float substituteQ(float q) {
    constexpr std::array<std::array<float, 2>, 5> kSubstitutes{
        {{102.0f, 98.0f}, {108.0f, 100.0f}, {114.0f, 101.0f}, {121.0f, 102.0f}, {128.0f, 103.0f}}};
    for (const auto& [from, to] : kSubstitutes)
        if (q == from) return to;
    return q;
}

// The frequency of the nearest grid point, in whole Hz.
int snapToGrid(std::int32_t frequency) {
    const double point = roundHalfEven(PointOfFrequency(frequency));
    const double snapped = roundHalfEven(FrequencyOfPoint(point));
    return static_cast<int>(std::min(snapped, double{std::numeric_limits<std::int32_t>::max()}));
}

// Sections of the filter type list positions k = 0..6; 7..9 draw flat.
struct FilterSections {
    std::array<FilterSection, 2> sections;
    int count;
};
constexpr std::array<FilterSections, 10> kFilterTypes{{
    {{{{0}}}, 1},                   // "OFF"
    {{{{1}}}, 1},                   // "12dB Bessel"
    {{{{2}}}, 1},                   // "12dB Butterworth"
    {{{{6}, {6}}}, 2},              // "12dB Linkwitz-Riley"
    {{{{1}, {1}}}, 2},              // "24dB Bessel"
    {{{{7, 4, 0}, {7, 4, 1}}}, 2},  // "24dB Butterworth"
    {{{{2}, {2}}}, 2},              // "24dB Linkwitz-Riley"
    {{}, 0},
    {{}, 0},
    {{}, 0},
}};

void sectionResponse(const BandPlan& plan, const BandPlan::Section& s, Response& out) {
    switch (s.kind) {
        case SectionKind::Peak:
            return PeakResponse(plan.frequency, plan.q, plan.gain, out);
        case SectionKind::LowShelf:
            return ShelfResponse(plan.frequency, plan.q, plan.gain, false, out);
        case SectionKind::HighShelf:
            return ShelfResponse(plan.frequency, plan.q, plan.gain, true, out);
        case SectionKind::HighPass:
            return HighPassResponse(plan.frequency, s.filter, plan.q, out);
        case SectionKind::LowPass:
            return LowPassResponse(plan.frequency, s.filter, plan.q, out);
    }
}

void sectionOnGrid(const Biquad& section, Stretch stretch, bool lowPass, int frequency,
                   Response& out) {
    Response prototype;
    evaluatePrototype(section, stretch, lowPass, prototype);
    placeOnGrid(prototype, frequency, out);
}

}  // namespace

BandPlan planBand(const BandSettings& settings) {
    BandPlan plan;
    plan.frequency = snapToGrid(settings.frequency);
    plan.q = substituteQ(settings.q);
    plan.gain = settings.gain;
    const int t = settings.type;
    auto add = [&plan](SectionKind kind, FilterSection filter = {}) {
        plan.sections[static_cast<std::size_t>(plan.count++)] = {kind, filter};
    };
    if (t < kTypeHighPassBase) {
        switch (t) {
            case kTypePeak:
                add(SectionKind::Peak);
                break;
            case kTypeLowShelf:
                add(SectionKind::LowShelf);
                break;
            case kTypeHighShelf:
                add(SectionKind::HighShelf);
                break;
            case kTypeVariQHighPass:
                add(SectionKind::HighPass, {4});
                break;
            case kTypeVariQLowPass:
                add(SectionKind::LowPass, {4});
                break;
            default:
                break;  // bypassed and unknown bands are flat
        }
        return plan;
    }
    const auto kind = t < kTypeLowPassBase ? SectionKind::HighPass : SectionKind::LowPass;
    const auto& type = kFilterTypes[static_cast<std::size_t>(t % 10)];
    for (int i = 0; i < type.count; ++i) add(kind, type.sections[static_cast<std::size_t>(i)]);
    return plan;
}

void BandResponse(const BandSettings& settings, Response& out) {
    const BandPlan plan = planBand(settings);
    if (plan.count == 0) {
        out.fill(0.0f);
        return;
    }
    sectionResponse(plan, plan.sections[0], out);
    if (plan.count == 1) return;
    Response second;
    sectionResponse(plan, plan.sections[1], second);
    for (std::size_t i = 0; i < kPointCount; ++i) out[i] += second[i];
}

void PeakResponse(int frequency, float q, float gain, Response& out) {
    sectionOnGrid(designPeak(q, gain), Stretch::None, false, frequency, out);
}

void ShelfResponse(int frequency, float slope, float gain, bool high, Response& out) {
    sectionOnGrid(designShelf(slope, gain, high), Stretch::Shelf, false, frequency, out);
}

void HighPassResponse(int frequency, FilterSection section, float q, Response& out) {
    sectionOnGrid(designFilter(section, q, false), Stretch::Filter, false, frequency, out);
}

void LowPassResponse(int frequency, FilterSection section, float q, Response& out) {
    sectionOnGrid(designFilter(section, q, true), Stretch::Filter, true, frequency, out);
}

}  // namespace vt
