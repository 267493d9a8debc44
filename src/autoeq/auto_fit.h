// An automatic fit of a channel to a wanted correction: the bands found on the unit's steps, their
// exact response and the error figures, in the form of a fitted filter list for output and writes.
#pragma once

#include "autoeq/band_search.h"
#include "autoeq/correction.h"

namespace vt::autoeq {

struct AutoFit {
    eqfile::ChannelFit fit;  // the bands; no channel filters (they are left as they are)
    Figures figures;
    bool cancelled = false;
};

// `module` is 1 (Main, 9 bands) or 2 (Auxiliary, 2 bands).
AutoFit autoFit(const Correction& correction, int module, const Progress& progress = {});

}  // namespace vt::autoeq
