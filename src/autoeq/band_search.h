// The search for a channel's bands on the unit's steps: greedy starts with and without shelves,
// each run to a local minimum on continuous values, hops from the best ones (bands moved to the
// largest remaining error or to a random place and the whole set run again), then the best
// solutions rounded to the steps and polished there. Fixed amounts of work and a fixed random
// sequence: the same input gives the same bands.
#pragma once

#include <functional>
#include <vector>

#include "autoeq/band_model.h"

namespace vt::autoeq {

// Told the fraction done (0..1) now and then; returns false to stop the search.
using Progress = std::function<bool(double)>;

struct SearchResult {
    std::vector<eqfile::FittedBand> bands;  // in frequency order; empty when cancelled
    bool cancelled = false;
};

SearchResult searchBands(const FitCurve& wanted, int count, const Progress& progress = {});

}  // namespace vt::autoeq
