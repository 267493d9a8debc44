// Exact evaluation: |H(e^jw)| of every section at every graph frequency.
#include "exact_curve.h"

#include <cmath>
#include <complex>
#include <numbers>

#include "eq/band_response.h"
#include "eq/section_design.h"

namespace vt::bench {
namespace {

double angleOf(double frequency) {
    return 2.0 * std::numbers::pi * frequency / kSampleRate;
}

}  // namespace

void exactCurve(const BandList& bands, int last, Response& total) {
    total.fill(0.0f);
    for (int s = 0; s <= last; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const BandPlan plan = planBand({typeCodeOf(bands.type[i]),
                                        static_cast<std::int32_t>(std::lround(bands.freq[i])),
                                        bands.q[i], bands.gain[i]});
        for (int k = 0; k < plan.count; ++k) {
            const auto& section = plan.sections[static_cast<std::size_t>(k)];
            const Biquad f = designSection(section.kind, section.filter, plan.q, plan.gain,
                                           angleOf(plan.frequency));
            for (std::size_t p = 0; p < kPointCount; ++p) {
                const std::complex<double> z =
                    std::polar(1.0, -angleOf(FrequencyOfPoint(static_cast<double>(p))));
                const auto h = (double{f.b0} + z * (double{f.b1} + z * double{f.b2})) /
                               (double{f.a0} + z * (double{f.a1} + z * double{f.a2}));
                total[p] += static_cast<float>(20.0 * std::log10(std::abs(h)));
            }
        }
    }
}

}  // namespace vt::bench
