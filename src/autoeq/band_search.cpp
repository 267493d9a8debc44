// Starts, hops and polishing of the band search.
#include "autoeq/band_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "autoeq/continuous_fit.h"
#include "autoeq/step_polish.h"

namespace vt::autoeq {
namespace {

// Hops from the best solutions found so far, and how many solutions are kept for polishing.
constexpr int kHops = 40;
constexpr std::size_t kKept = 6;

struct Solution {
    std::vector<Band> bands;
    double cost = 0.0;
};

// Uniform in [0, 1) from the generator's raw output: the standard fixes the generator's sequence,
// not that of its distributions.
double unit(std::mt19937& random) {
    return static_cast<double>(random()) / 4294967296.0;
}

// Keeps the kKept cheapest distinct solutions, cheapest first; earlier ones win ties.
void keep(std::vector<Solution>& pool, Solution s) {
    for (const Solution& p : pool)
        if (std::abs(p.cost - s.cost) <= 1e-9 * (1.0 + s.cost)) return;
    const auto at = std::upper_bound(pool.begin(), pool.end(), s.cost,
                                     [](double c, const Solution& p) { return c < p.cost; });
    pool.insert(at, std::move(s));
    if (pool.size() > kKept) pool.pop_back();
}

// Moves band `j` of `bands` somewhere new: to the largest error the other bands leave, or to a
// random frequency with the gain of the error there and a random Q.
void reseat(std::vector<Band>& bands, std::size_t j, const FitCurve& wanted, bool random,
            std::mt19937& generator) {
    FitCurve others{};
    for (std::size_t k = 0; k < bands.size(); ++k)
        if (k != j) addBandDb(bands[k], others);
    const FitCurve& f = eqfile::fitFrequencies();
    Band b = bands[j];
    if (random) {
        const std::size_t i = std::min(
            eqfile::kFitPoints - 1, static_cast<std::size_t>(unit(generator) * eqfile::kFitPoints));
        b.octaves = std::log2(f[i] / 1000.0);
        b.gainDb = wanted[i] - others[i];
        b.log2Q = -1.0 + 3.5 * unit(generator);
    } else {
        FitCurve rest = wanted;
        eqfile::addCurve(rest, others, -1.0);
        const std::vector<Band> one = greedyStart(rest, 1, {}, 1.0);
        b.octaves = one[0].octaves;
        b.gainDb = one[0].gainDb;
        b.log2Q = b.type == kPeak ? one[0].log2Q : std::log2(0.7);
    }
    bands[j] = clamped(b);
}

std::vector<eqfile::FittedBand> inFrequencyOrder(std::vector<eqfile::FittedBand> bands) {
    std::stable_sort(bands.begin(), bands.end(), [](const auto& a, const auto& b) {
        return a.freqIndex != b.freqIndex ? a.freqIndex < b.freqIndex : a.type < b.type;
    });
    return bands;
}

}  // namespace

SearchResult searchBands(const FitCurve& wanted, int count, const Progress& progress) {
    SearchResult result;
    if (count <= 0) return result;
    std::vector<ShelfChoice> shelves{{false, false}, {true, false}, {false, true}};
    if (count >= 2) shelves.push_back({true, true});
    const double qScales[] = {1.0, 0.5};
    const int starts = static_cast<int>(shelves.size() * std::size(qScales));
    const int total = starts + kHops + static_cast<int>(kKept);
    int done = 0;
    const auto step = [&] {
        ++done;
        return !progress || progress(static_cast<double>(done) / total);
    };
    const auto stop = [&result] {
        result.cancelled = true;
        return result;
    };

    std::vector<Solution> pool;
    for (const ShelfChoice& s : shelves)
        for (double q : qScales) {
            Solution start{greedyStart(wanted, count, s, q), 0.0};
            start.cost = localFit(wanted, start.bands);
            keep(pool, std::move(start));
            if (!step()) return stop();
        }

    std::mt19937 generator(20261211u);
    for (int h = 0; h < kHops; ++h) {
        // Mostly from the best, sometimes from the runners-up.
        const std::size_t from =
            unit(generator) < 0.6 ? 0 : static_cast<std::size_t>(unit(generator) * pool.size());
        Solution hop{pool[from].bands, 0.0};
        const int moved = unit(generator) < 0.5 ? 1 : 2;
        for (int m = 0; m < moved; ++m) {
            const auto j = std::min(hop.bands.size() - 1,
                                    static_cast<std::size_t>(unit(generator) * hop.bands.size()));
            reseat(hop.bands, j, wanted, unit(generator) < 0.5, generator);
        }
        hop.cost = localFit(wanted, hop.bands);
        keep(pool, std::move(hop));
        if (!step()) return stop();
    }

    double bestCost = 0.0;
    for (const Solution& s : pool) {
        std::vector<eqfile::FittedBand> steps;
        for (const Band& b : s.bands) steps.push_back(nearestSteps(b));
        const double c = polishSteps(wanted, steps);
        if (result.bands.empty() || c < bestCost) {
            result.bands = steps;
            bestCost = c;
        }
        if (!step()) return stop();
    }
    result.bands = inFrequencyOrder(std::move(result.bands));
    return result;
}

}  // namespace vt::autoeq
