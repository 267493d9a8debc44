// The channel's own high- and low-pass filters: their types as second-order sections, their
// exact response, and the choice of a type for the passes of a file.
#pragma once

#include <optional>
#include <vector>

#include "eqfile/exact_response.h"
#include "eqfile/filter_file.h"

namespace vt::eqfile {

struct FittedFilter {
    int item = 0;  // position in the channel's filter type list
    int freqIndex = 0;
    std::vector<int> lines;
};

// Number of items in the channel's filter type lists (item 0 is "OFF").
int filterItems(int module);

// Q of each second-order section of filter type `item`; empty for "OFF".
std::vector<double> filterSectionQs(int item);

// Exact response of a channel filter.
FitCurve filterCurve(const FittedFilter& filter, bool lowPass);

// The channel filter for the file's passes of one direction (all high-pass or all low-pass):
// the first pair at one frequency that makes a 24 dB type, else the first single pass that makes
// a 12 dB type, by Q. The passes it takes leave `pool`; nullopt when none matches.
std::optional<FittedFilter> matchChannelFilter(std::vector<const FileFilter*>& pool, int module);

}  // namespace vt::eqfile
