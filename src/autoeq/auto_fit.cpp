// The search's bands judged on the exact response.
#include "autoeq/auto_fit.h"

#include "model/modules.h"

namespace vt::autoeq {

AutoFit autoFit(const Correction& correction, int module, const Progress& progress) {
    AutoFit a;
    a.fit.module = module;
    SearchResult found =
        searchBands(correction.wanted, kBandCount[static_cast<std::size_t>(module)], progress);
    if (found.cancelled) {
        a.cancelled = true;
        return a;
    }
    a.fit.bands = std::move(found.bands);
    a.fit.fileCurve = correction.wanted;
    a.fit.fittedCurve = bandsCurve(a.fit.bands);
    a.fit.residual = eqfile::residualOf(a.fit.fittedCurve, a.fit.fileCurve);
    a.figures = figuresOf(correction.wanted, a.fit.fittedCurve);
    return a;
}

}  // namespace vt::autoeq
