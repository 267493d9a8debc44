// Fitting a file's filters to one channel of the unit: table steps for every value, the best
// subset when there are more filters than bands, the channel's own high- and low-pass filters,
// and the residual between the file's response and the fitted one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "eqfile/channel_filters.h"
#include "eqfile/exact_response.h"
#include "eqfile/filter_file.h"
#include "model/eq_defaults.h"
#include "model/scales.h"

namespace vt::eqfile {

// Most band filters a fit considers; further ones are dropped unexamined.
inline constexpr std::size_t kMostBandFilters = 256;

struct FittedBand {
    int type = 0;  // type item: 0 PEQ, 1 LSQ, 2 HSQ, 3 VariQ HP, 4 VariQ LP
    int freqIndex = 0;
    int gainStep = kGainStepZero;
    int qIndex = kDefaultPeakQIndex;  // the Q of the band's type (peak Q for PEQ, the other Q else)
    bool bypass = false;
    int line = 0;  // file line it came from; 0 for a band left at its default
};

struct DroppedFilter {
    int line = 0;
    std::string text;
    std::string reason;
};

struct ChannelFit {
    int module = 1;
    std::vector<FittedBand> bands;  // one per band of the channel, in band order
    std::optional<FittedFilter> highPass;
    std::optional<FittedFilter> lowPass;
    std::vector<DroppedFilter> dropped;  // with the reader's problems, by line
    FitCurve fileCurve{};                // the file's filters (those that are on)
    FitCurve fittedCurve{};              // the fitted bands and filters
    Residual residual;
    std::optional<double> preampDb;  // reported, never applied
    int preampLine = 0;
};

// `module` is 1 (Main) or 2 (Auxiliary).
ChannelFit fitChannel(const FilterFile& file, int module);

// Exact response of one fitted band.
FitCurve bandCurve(const FittedBand& band);

struct ParameterWrite {
    int address = 0;
    int value = 0;
};

// The writes that put a fit into the unit: every field of every band, then the filters found.
std::vector<ParameterWrite> fitWrites(const ChannelFit& fit);

}  // namespace vt::eqfile
