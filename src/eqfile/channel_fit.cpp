// The fit of a filter list to a channel: nearest table steps with their neighbours tried, the
// channel filters matched by slope and type, the band subset chosen by residual.
#include "eqfile/channel_fit.h"

#include <algorithm>
#include <cmath>

#include "eqfile/subset_choice.h"
#include "eqfile/table_steps.h"
#include "model/eq_defaults.h"
#include "model/modules.h"
#include "model/scales.h"
#include "model/slot_map.h"

namespace vt::eqfile {
namespace {

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
    // Only a peaking band reaches the whole Q table; every other type stops at "1.40".
    const Steps qs = qSteps(shelf ? shelfSlopeOf(f) : f.q,
                            f.kind == FilterKind::Peak ? kQIndexMax : kOtherQIndexMax);
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
                    s < bestScore - kNeighbourMargin) {
                    bestScore = s;
                    best = b;
                }
            }
    return best;
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

FitCurve bandCurve(const FittedBand& b) {
    FitCurve c{};
    if (b.bypass || b.type < 0 || b.type > 4) return c;
    addResponse(
        bandSection(b.type, frequencyValue(b.freqIndex), gainDb(b.gainStep), qValue(b.qIndex)), c);
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
        if (f.enabled) addCurve(fit.fileCurve, fileFilterCurve(f));
    }
    // No more filters than the fit considers; the rest are dropped in file order.
    auto keepFirst = [&drop](std::vector<const FileFilter*>& pool) {
        for (std::size_t i = kMostBandFilters; i < pool.size(); ++i)
            drop(*pool[i],
                 "more than " + std::to_string(kMostBandFilters) + " filters in the file");
        if (pool.size() > kMostBandFilters) pool.resize(kMostBandFilters);
    };
    // Matching the channel filters looks at pairs of passes, so their pools are bounded first.
    keepFirst(highPasses);
    keepFirst(lowPasses);
    fit.highPass = matchChannelFilter(highPasses, module);
    fit.lowPass = matchChannelFilter(lowPasses, module);
    // Passes the channel filters cannot take become variable-Q bands, if bands are left.
    for (auto* pool : {&highPasses, &lowPasses})
        bandFilters.insert(bandFilters.end(), pool->begin(), pool->end());
    std::sort(bandFilters.begin(), bandFilters.end(),
              [](const FileFilter* a, const FileFilter* b) { return a->line < b->line; });
    keepFirst(bandFilters);

    std::vector<Candidate> candidates;
    for (const FileFilter* f : bandFilters) {
        Candidate c{f, {}, fileFilterCurve(*f), {}};
        c.band = fitBand(*f, c.fileCurve);
        c.bandCurve = bandCurve(c.band);
        candidates.push_back(std::move(c));
    }

    // The channel filters are settled; the bands are chosen against what they leave.
    FitCurve filters{};
    if (fit.highPass) addCurve(filters, filterCurve(*fit.highPass, false));
    if (fit.lowPass) addCurve(filters, filterCurve(*fit.lowPass, true));
    FitCurve base = filters;
    addCurve(base, fit.fileCurve, -1.0);
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

    fit.fittedCurve = filters;
    for (const auto& b : fit.bands) addCurve(fit.fittedCurve, bandCurve(b));
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
