// Fuzz target: reading any text as a measurement or a target never crashes; what is read is sorted,
// finite and above 0 Hz, and the wanted correction made of it is finite and within its limits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "autoeq/correction.h"
#include "autoeq/response_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vt::autoeq;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ResponseRead read = readResponse(text, kFewestTargetPoints);
    if (!read.problem.empty()) {
        if (!read.points.empty()) std::abort();
        return 0;
    }
    for (std::size_t i = 0; i < read.points.size(); ++i) {
        const ResponsePoint& p = read.points[i];
        if (!(p.hz > 0.0) || !std::isfinite(p.hz) || !std::isfinite(p.db)) std::abort();
        if (i > 0 && !(read.points[i - 1].hz < p.hz)) std::abort();
    }
    const Correction c = correctionOf(read.points, read.points);
    for (std::size_t i = 0; i < vt::eqfile::kFitPoints; ++i)
        if (!std::isfinite(c.measurement[i]) || !std::isfinite(c.target[i]) ||
            !(c.wanted[i] >= kLowestCorrectionDb && c.wanted[i] <= kHighestCorrectionDb))
            std::abort();
    return 0;
}
