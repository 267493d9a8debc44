// Choosing which filters to keep when a file has more filters than the channel has bands.
#pragma once

#include <cstddef>
#include <vector>

#include "eqfile/exact_response.h"

namespace vt::eqfile {

// Above this many subsets the search drops one filter at a time instead of trying every subset.
inline constexpr std::size_t kExhaustiveSubsets = 10000;

// Picks `keep` of `contributions` so that base + the sum of the picked ones has the smallest
// root-mean-square value (the earliest subset on a tie). Returns the picked indexes, ascending.
std::vector<std::size_t> chooseSubset(const std::vector<FitCurve>& contributions,
                                      const FitCurve& base, std::size_t keep);

}  // namespace vt::eqfile
