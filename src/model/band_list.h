// The channel band list: a channel's window image converted into the physical band values
// (type code, gain, frequency, Q) that the response graph draws, plus the edit boxes of each band.
#pragma once

#include <array>
#include <string>

#include "model/parameter_model.h"

namespace vt {

inline constexpr int kBandListSize = 17;

struct BandList {
    std::array<int, kBandListSize> type{};
    std::array<float, kBandListSize> gain{};
    std::array<float, kBandListSize> freq{};
    std::array<float, kBandListSize> q{};
    // Control names of the editors; empty stands for the placeholder.
    std::array<std::string, kBandListSize> freqBox;
    std::array<std::string, kBandListSize> gainBox;
    std::array<std::string, kBandListSize> qBox;
};

// Fills entries 0..N+1 of `list` for channel module 1 or 2 (N EQ bands, then high-pass and
// low-pass) from the window image; the filter type codes come from the type boxes' item indexes.
// Returns 200 + N - 1 (208 for Main, 201 for Auxiliary). Other entries keep what they held.
int ChannelBandList(const ParameterModel& model, int module, int highPassItem, int lowPassItem,
                    BandList& list);

}  // namespace vt
