// Channel filter types, their sections and the matching of a file's passes to them.
#include "eqfile/channel_filters.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "eqfile/table_steps.h"
#include "model/modules.h"
#include "model/scales.h"
#include "model/slot_map.h"

namespace vt::eqfile {
namespace {

constexpr double kPassQTolerance = 0.005;
constexpr double kSameFrequency = 1e-3;  // relative

bool isLowPass(const FileFilter& f) {
    return f.kind == FilterKind::LowPass;
}

// A channel filter for one or two file passes at one frequency, frequency step by residual.
FittedFilter fitFilter(int item, const std::vector<const FileFilter*>& parts) {
    FitCurve target{};
    for (const auto* p : parts)
        addResponse(cookbookPass(p->frequency, p->q, isLowPass(*p)), target);
    const bool low = isLowPass(*parts.front());
    // Index 0 turns a high-pass filter off and 361 a low-pass one.
    const Steps fs = frequencySteps(parts.front()->frequency, low ? 0 : 1,
                                    low ? kFreqIndexMax - 1 : kFreqIndexMax);
    FittedFilter best{item, fs.nearest, {}};
    for (const auto* p : parts) best.lines.push_back(p->line);
    FittedFilter other = best;
    other.freqIndex = fs.other;
    if (residualOf(filterCurve(other, low), target).rmsDb <
        residualOf(filterCurve(best, low), target).rmsDb - kNeighbourMargin)
        return other;
    return best;
}

bool qsMatch(std::vector<double> wanted, std::vector<double> given) {
    if (wanted.size() != given.size()) return false;
    std::sort(wanted.begin(), wanted.end());
    std::sort(given.begin(), given.end());
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (std::abs(wanted[i] - given[i]) > kPassQTolerance) return false;
    return true;
}

}  // namespace

int filterItems(int module) {
    return module == kMainModule ? static_cast<int>(items::kMainFilterTypes.size())
                                 : static_cast<int>(items::kAuxFilterTypes.size());
}

std::vector<double> filterSectionQs(int item) {
    const double bessel = 1.0 / std::numbers::sqrt3;
    const double butterworth = 1.0 / std::numbers::sqrt2;
    auto order4 = [](int r) { return 1.0 / (2.0 * std::sin((r + 0.5) * std::numbers::pi / 4.0)); };
    switch (item) {
        case 1:
            return {bessel};
        case 2:
            return {butterworth};
        case 3:
            return {0.5};  // two first-order sections
        case 4:
            return {bessel, bessel};
        case 5:
            return {order4(0), order4(1)};
        case 6:
            return {butterworth, butterworth};
        default:
            return {};
    }
}

FitCurve filterCurve(const FittedFilter& filter, bool lowPass) {
    FitCurve c{};
    for (double q : filterSectionQs(filter.item))
        addResponse(cookbookPass(frequencyValue(filter.freqIndex), q, lowPass), c);
    return c;
}

std::optional<FittedFilter> matchChannelFilter(std::vector<const FileFilter*>& pool, int module) {
    const int items = filterItems(module);
    auto take = [&](std::vector<std::size_t> at, int item) {
        std::vector<const FileFilter*> parts;
        for (std::size_t i : at) parts.push_back(pool[i]);
        std::sort(at.rbegin(), at.rend());
        for (std::size_t i : at) pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
        return fitFilter(item, parts);
    };
    // Two sections at one frequency: the 24 dB/octave types.
    for (std::size_t i = 0; i < pool.size(); ++i)
        for (std::size_t j = i + 1; j < pool.size(); ++j) {
            if (std::abs(pool[i]->frequency / pool[j]->frequency - 1.0) > kSameFrequency) continue;
            for (int item = 1; item < items; ++item)
                if (qsMatch(filterSectionQs(item), {pool[i]->q, pool[j]->q}))
                    return take({i, j}, item);
        }
    for (std::size_t i = 0; i < pool.size(); ++i)
        for (int item = 1; item < items; ++item)
            if (qsMatch(filterSectionQs(item), {pool[i]->q})) return take({i}, item);
    return std::nullopt;
}

}  // namespace vt::eqfile
