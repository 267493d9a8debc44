// A parameter model whose Main channel uses every kind of band and both filters: the load for the
// redraw benchmarks.
#pragma once

#include "eq/curve_source.h"
#include "model/parameter_model.h"

namespace vt::bench {

struct BusyChannel {
    ParameterModel model;
    ModelCurveSource source;

    BusyChannel();
    // Moves band `band`'s gain one step, so the next redraw of its slot has new work.
    void nudgeGain(int band);
};

}  // namespace vt::bench
