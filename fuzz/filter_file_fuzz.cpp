// Fuzz target: reading any text as a filter list and fitting it to both channels never crashes,
// and every fitted value lies within the unit's tables and every residual is a finite number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_file.h"
#include "model/modules.h"
#include "model/scales.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto file = vt::eqfile::readFilterFile(text);
    if (!file.usable()) return 0;
    for (int module : {vt::kMainModule, vt::kAuxModule}) {
        const auto fit = vt::eqfile::fitChannel(file, module);
        if (static_cast<int>(fit.bands.size()) != vt::kBandCount[static_cast<std::size_t>(module)])
            std::abort();
        for (const auto& b : fit.bands)
            if (b.type < 0 || b.type > 4 || b.freqIndex < 0 || b.freqIndex > vt::kFreqIndexMax ||
                b.gainStep < 0 || b.gainStep > vt::kGainStepMax || b.qIndex < 0 ||
                b.qIndex > vt::kQIndexMax)
                std::abort();
        if (!std::isfinite(fit.residual.maxAbsDb) || !std::isfinite(fit.residual.rmsDb)) std::abort();
        for (const auto& w : vt::eqfile::fitWrites(fit))
            if (w.address / 256 != module || w.value < 0 || w.value > vt::kFreqIndexMax) std::abort();
    }
    return 0;
}
