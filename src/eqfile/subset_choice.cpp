// Best subset: every combination while there are few, else backward elimination.
#include "eqfile/subset_choice.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace vt::eqfile {
namespace {

double sumOfSquares(const FitCurve& c) {
    double s = 0.0;
    for (double v : c) s += v * v;
    return s;
}

// n over k, saturating above `limit`.
std::size_t subsetCount(std::size_t n, std::size_t k, std::size_t limit) {
    double count = 1.0;
    for (std::size_t i = 1; i <= k; ++i) {
        count = count * static_cast<double>(n - k + i) / static_cast<double>(i);
        if (count > static_cast<double>(limit)) return limit + 1;
    }
    return static_cast<std::size_t>(std::llround(count));
}

std::vector<std::size_t> everySubset(const std::vector<FitCurve>& parts, const FitCurve& base,
                                     std::size_t keep) {
    std::vector<std::size_t> pick(keep);
    std::iota(pick.begin(), pick.end(), std::size_t{0});
    std::vector<std::size_t> best = pick;
    double bestScore = std::numeric_limits<double>::infinity();
    const std::size_t n = parts.size();
    while (true) {
        FitCurve total = base;
        for (std::size_t i : pick) addCurve(total, parts[i]);
        if (const double score = sumOfSquares(total); score < bestScore) {
            bestScore = score;
            best = pick;
        }
        // Next combination in lexicographic order.
        std::size_t i = keep;
        while (i > 0 && pick[i - 1] == n - keep + i - 1) --i;
        if (i == 0) break;
        ++pick[i - 1];
        for (std::size_t j = i; j < keep; ++j) pick[j] = pick[j - 1] + 1;
    }
    return best;
}

std::vector<std::size_t> dropOneByOne(const std::vector<FitCurve>& parts, const FitCurve& base,
                                      std::size_t keep) {
    std::vector<std::size_t> kept(parts.size());
    std::iota(kept.begin(), kept.end(), std::size_t{0});
    FitCurve total = base;
    for (const auto& p : parts) addCurve(total, p);
    while (kept.size() > keep) {
        std::size_t worst = 0;
        double bestScore = std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < kept.size(); ++k) {
            FitCurve without = total;
            addCurve(without, parts[kept[k]], -1.0);
            if (const double score = sumOfSquares(without); score < bestScore) {
                bestScore = score;
                worst = k;
            }
        }
        addCurve(total, parts[kept[worst]], -1.0);
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(worst));
    }
    return kept;
}

}  // namespace

std::vector<std::size_t> chooseSubset(const std::vector<FitCurve>& contributions,
                                      const FitCurve& base, std::size_t keep) {
    const std::size_t n = contributions.size();
    if (keep >= n) {
        std::vector<std::size_t> all(n);
        std::iota(all.begin(), all.end(), std::size_t{0});
        return all;
    }
    if (keep == 0) return {};
    if (subsetCount(n, keep, kExhaustiveSubsets) <= kExhaustiveSubsets)
        return everySubset(contributions, base, keep);
    return dropOneByOne(contributions, base, keep);
}

}  // namespace vt::eqfile
