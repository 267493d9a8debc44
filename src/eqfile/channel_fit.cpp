// The fit of a filter list to a channel: nearest table steps with their neighbours tried, the
// channel filters matched by slope and type, the band subset chosen by residual.
#include "eqfile/channel_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "eqfile/subset_choice.h"
#include "model/eq_defaults.h"
#include "model/modules.h"
#include "model/scales.h"
#include "model/slot_map.h"

namespace vt::eqfile {
namespace {

constexpr double kPassQTolerance = 0.005;
constexpr double kSameFrequency = 1e-3;  // relative
constexpr double kBetter = 1e-12;        // a neighbour must beat the nearest step by this much

bool isBandKind(FilterKind k) {
    return k == FilterKind::Peak || k == FilterKind::LowShelf || k == FilterKind::HighShelf;
}
bool isLowPass(FilterKind k) {
    return k == FilterKind::LowPass;
}

// The file filter's own response.
FitCurve fileFilterCurve(const FileFilter& f) {
    FitCurve c{};
    switch (f.kind) {
        case FilterKind::Peak:
            addResponse(cookbookPeak(f.frequency, f.gain, f.q), c);
            break;
        case FilterKind::LowShelf:
        case FilterKind::HighShelf: {
            const bool high = f.kind == FilterKind::HighShelf;
            addResponse(f.bySlope ? cookbookShelfSlope(f.frequency, f.gain, f.slope, high)
                                  : cookbookShelfQ(f.frequency, f.gain, f.q, high),
                        c);
            break;
        }
        case FilterKind::HighPass:
        case FilterKind::LowPass:
            addResponse(cookbookPass(f.frequency, f.q, isLowPass(f.kind)), c);
            break;
    }
    return c;
}

// The unit's shelf Q is the shelf slope S; a shelf given by Q has the slope of the same alpha.
double shelfSlopeOf(const FileFilter& f) {
    if (f.bySlope) return f.slope;
    const double a = std::pow(10.0, f.gain / 40.0);
    const double d = (1.0 / (f.q * f.q) - 2.0) / (a + 1.0 / a) + 1.0;
    return d > 0.0 ? 1.0 / d : qValue(kQIndexMax);
}

// Nearest table index first, then its neighbour on the other side of the value.
struct Steps {
    int nearest;
    int other;
};

Steps frequencySteps(double hz, int lowest, int highest) {
    const int n = std::clamp(static_cast<int>(SnapToScale(kViewFreq, hz)), lowest, highest);
    const int o = frequencyValue(n) < hz ? n + 1 : n - 1;
    return {n, std::clamp(o, lowest, highest)};
}

Steps gainSteps(double db) {
    const double clamped = std::clamp(db, gainDb(0), gainDb(kGainStepMax));
    const int n = std::clamp(static_cast<int>(SnapToScale(kViewGain, clamped)), 0, kGainStepMax);
    const int o = gainDb(n) < clamped ? n + 1 : n - 1;
    return {n, std::clamp(o, 0, kGainStepMax)};
}

Steps qSteps(double q) {
    const int above = std::min(static_cast<int>(SnapToScale(kViewQ, q)), kQIndexMax);
    const int below = std::max(above - 1, 0);
    const bool belowNearer = q / qValue(below) <= qValue(above) / q;
    return belowNearer ? Steps{below, above} : Steps{above, below};
}

int typeOf(const FileFilter& f) {
    switch (f.kind) {
        case FilterKind::LowShelf:
            return 1;
        case FilterKind::HighShelf:
            return 2;
        case FilterKind::HighPass:
            return 3;
        case FilterKind::LowPass:
            return 4;
        default:
            return 0;
    }
}

// The band nearest the file filter, or a neighbouring step where that fits better.
FittedBand fitBand(const FileFilter& f, const FitCurve& target) {
    const bool shelf = f.kind == FilterKind::LowShelf || f.kind == FilterKind::HighShelf;
    const Steps fs = frequencySteps(f.frequency, 0, kFreqIndexMax);
    const Steps gs = gainSteps(f.gain);  // a pass ignores it, but the band keeps it
    const Steps qs = qSteps(shelf ? shelfSlopeOf(f) : f.q);
    FittedBand best{typeOf(f), fs.nearest, gs.nearest, qs.nearest, !f.enabled, f.line};
    if (!f.enabled) return best;
    double bestScore = residualOf(bandCurve(best), target).rmsDb;
    for (int fi : {fs.nearest, fs.other})
        for (int gi : {gs.nearest, gs.other})
            for (int qi : {qs.nearest, qs.other}) {
                FittedBand b = best;
                b.freqIndex = fi;
                b.gainStep = gi;
                b.qIndex = qi;
                if (const double s = residualOf(bandCurve(b), target).rmsDb;
                    s < bestScore - kBetter) {
                    bestScore = s;
                    best = b;
                }
            }
    return best;
}

// A channel filter for one or two file passes at one frequency, frequency step by residual.
FittedFilter fitFilter(int item, const std::vector<const FileFilter*>& parts) {
    FitCurve target{};
    for (const auto* p : parts)
        addResponse(cookbookPass(p->frequency, p->q, isLowPass(p->kind)), target);
    const bool low = isLowPass(parts.front()->kind);
    // Index 0 turns a high-pass filter off and 361 a low-pass one.
    const Steps fs = frequencySteps(parts.front()->frequency, low ? 0 : 1,
                                    low ? kFreqIndexMax - 1 : kFreqIndexMax);
    FittedFilter best{item, fs.nearest, {}};
    for (const auto* p : parts) best.lines.push_back(p->line);
    FittedFilter other = best;
    other.freqIndex = fs.other;
    if (residualOf(filterCurve(other, low), target).rmsDb <
        residualOf(filterCurve(best, low), target).rmsDb - kBetter)
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

// Finds the channel filter for the passes of one direction; what it uses leaves `pool`.
std::optional<FittedFilter> matchFilter(std::vector<const FileFilter*>& pool, int module) {
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

struct Candidate {
    const FileFilter* filter;
    FittedBand band;
    FitCurve fileCurve;
    FitCurve bandCurve;
};

std::string bandsText(int bands) {
    return std::to_string(bands) + (bands == 1 ? " band" : " bands");
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

FitCurve bandCurve(const FittedBand& b) {
    FitCurve c{};
    if (b.bypass) return c;
    const double f = frequencyValue(b.freqIndex);
    const double g = gainDb(b.gainStep);
    const double q = qValue(b.qIndex);
    switch (b.type) {
        case 0:
            addResponse(cookbookPeak(f, g, q), c);
            break;
        case 1:
        case 2:
            addResponse(cookbookShelfSlope(f, g, q, b.type == 2), c);
            break;
        case 3:
        case 4:
            addResponse(cookbookPass(f, q, b.type == 4), c);
            break;
        default:
            break;
    }
    return c;
}

FitCurve filterCurve(const FittedFilter& filter, bool lowPass) {
    FitCurve c{};
    for (double q : filterSectionQs(filter.item))
        addResponse(cookbookPass(frequencyValue(filter.freqIndex), q, lowPass), c);
    return c;
}

ChannelFit fitChannel(const FilterFile& file, int module) {
    ChannelFit fit;
    fit.module = module;
    fit.preampDb = file.preampDb;
    fit.preampLine = file.preampLine;
    const int bands = kBandCount[static_cast<std::size_t>(module)];
    for (const auto& p : file.problems) fit.dropped.push_back({p.line, p.text, p.reason});
    auto drop = [&fit](const FileFilter& f, std::string reason) {
        fit.dropped.push_back({f.line, f.text, std::move(reason)});
    };

    std::vector<const FileFilter*> highPasses, lowPasses, bandFilters, offFilters;
    for (const auto& f : file.filters) {
        if (!f.enabled)
            offFilters.push_back(&f);
        else if (isBandKind(f.kind))
            bandFilters.push_back(&f);
        else
            (isLowPass(f.kind) ? lowPasses : highPasses).push_back(&f);
        if (f.enabled) {
            const FitCurve c = fileFilterCurve(f);
            for (std::size_t i = 0; i < kFitPoints; ++i) fit.fileCurve[i] += c[i];
        }
    }
    fit.highPass = matchFilter(highPasses, module);
    fit.lowPass = matchFilter(lowPasses, module);
    // Passes the channel filters cannot take become variable-Q bands, if bands are left.
    for (auto* pool : {&highPasses, &lowPasses})
        bandFilters.insert(bandFilters.end(), pool->begin(), pool->end());
    std::sort(bandFilters.begin(), bandFilters.end(),
              [](const FileFilter* a, const FileFilter* b) { return a->line < b->line; });
    for (std::size_t i = kMostBandFilters; i < bandFilters.size(); ++i)
        drop(*bandFilters[i],
             "more than " + std::to_string(kMostBandFilters) + " filters in the file");
    if (bandFilters.size() > kMostBandFilters) bandFilters.resize(kMostBandFilters);

    std::vector<Candidate> candidates;
    for (const FileFilter* f : bandFilters) {
        Candidate c{f, {}, fileFilterCurve(*f), {}};
        c.band = fitBand(*f, c.fileCurve);
        c.bandCurve = bandCurve(c.band);
        candidates.push_back(std::move(c));
    }

    FitCurve base{};
    for (std::size_t i = 0; i < kFitPoints; ++i) base[i] = -fit.fileCurve[i];
    for (const auto& [filter, low] :
         {std::pair{&fit.highPass, false}, std::pair{&fit.lowPass, true}})
        if (*filter) {
            const FitCurve c = filterCurve(**filter, low);
            for (std::size_t i = 0; i < kFitPoints; ++i) base[i] += c[i];
        }
    std::vector<FitCurve> parts;
    for (const auto& c : candidates) parts.push_back(c.bandCurve);
    const auto kept = chooseSubset(parts, base, static_cast<std::size_t>(bands));

    std::vector<FittedBand> chosen;
    std::size_t next = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (next < kept.size() && kept[next] == i) {
            chosen.push_back(candidates[i].band);
            ++next;
        } else {
            drop(*candidates[i].filter, "the channel has " + bandsText(bands) +
                                            "; this filter is left out of the best-fitting set");
        }
    }
    for (const FileFilter* f : offFilters) {
        if (static_cast<int>(chosen.size()) < bands)
            chosen.push_back(fitBand(*f, {}));
        else
            drop(*f, "switched off, and no band is left for it");
    }
    std::sort(chosen.begin(), chosen.end(),
              [](const FittedBand& a, const FittedBand& b) { return a.line < b.line; });
    for (int b = 0; b < bands; ++b) {
        if (static_cast<std::size_t>(b) < chosen.size()) {
            fit.bands.push_back(chosen[static_cast<std::size_t>(b)]);
            continue;
        }
        FittedBand d;
        d.type = eqDefaultValue(module, b, kFieldType);
        d.freqIndex = eqDefaultValue(module, b, kFieldFreq);
        d.gainStep = eqDefaultValue(module, b, kFieldGain);
        d.qIndex = eqDefaultValue(module, b, kFieldPeakQ);
        fit.bands.push_back(d);
    }

    for (const auto& b : fit.bands) {
        const FitCurve c = bandCurve(b);
        for (std::size_t i = 0; i < kFitPoints; ++i) fit.fittedCurve[i] += c[i];
    }
    for (std::size_t i = 0; i < kFitPoints; ++i) fit.fittedCurve[i] += base[i] + fit.fileCurve[i];
    fit.residual = residualOf(fit.fittedCurve, fit.fileCurve);
    std::stable_sort(
        fit.dropped.begin(), fit.dropped.end(),
        [](const DroppedFilter& a, const DroppedFilter& b) { return a.line < b.line; });
    return fit;
}

std::vector<ParameterWrite> fitWrites(const ChannelFit& fit) {
    std::vector<ParameterWrite> writes;
    const int m = fit.module;
    for (int b = 0; b < static_cast<int>(fit.bands.size()); ++b) {
        const FittedBand& band = fit.bands[static_cast<std::size_t>(b)];
        const bool peak = band.type == 0;
        const int values[5] = {packBandType(band.type, band.bypass), band.freqIndex, band.gainStep,
                               peak ? band.qIndex : eqDefaultValue(m, b, kFieldPeakQ),
                               peak ? eqDefaultValue(m, b, kFieldQ) : band.qIndex};
        for (int f = 0; f < 5; ++f)
            writes.push_back({makeAddress(m, bandSlot(m, b, f)), values[f]});
    }
    using namespace slot_ids;
    const bool main = m == kMainModule;
    if (fit.highPass) {
        writes.push_back(
            {makeAddress(m, main ? kMainHighPassType : kAuxHighPassType), fit.highPass->item});
        writes.push_back(
            {makeAddress(m, main ? kMainHighPassFreq : kAuxHighPassFreq), fit.highPass->freqIndex});
    }
    if (fit.lowPass) {
        writes.push_back(
            {makeAddress(m, main ? kMainLowPassType : kAuxLowPassType), fit.lowPass->item});
        writes.push_back(
            {makeAddress(m, main ? kMainLowPassFreq : kAuxLowPassFreq), fit.lowPass->freqIndex});
    }
    return writes;
}

}  // namespace vt::eqfile
