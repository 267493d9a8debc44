// Time to fit filter lists of growing length to both channels: the subset search tries every
// subset while there are few and drops one filter at a time beyond that. Prints one row per case.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_file.h"
#include "model/modules.h"

namespace {

std::string peaks(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> frequency(20.0, 20000.0), gain(-15.0, 8.0), q(0.3, 10.0);
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "Filter " + std::to_string(i + 1) + ": ON PK Fc " +
                std::to_string(frequency(random)) + " Hz Gain " + std::to_string(gain(random)) +
                " dB Q " + std::to_string(q(random)) + "\n";
    return text;
}

}  // namespace

int main() {
    std::printf("%-8s %-10s %-12s %-14s %s\n", "filters", "channel", "ms per fit", "max resid dB",
                "rms resid dB");
    for (int count : {9, 12, 15, 20, 40, 100, 256, 1000}) {
        const auto file =
            vt::eqfile::readFilterFile(peaks(count, 14u + static_cast<unsigned>(count)));
        for (int module : {vt::kMainModule, vt::kAuxModule}) {
            const int rounds = count > 100 ? 1 : 5;
            vt::eqfile::ChannelFit fit;
            const auto start = std::chrono::steady_clock::now();
            for (int r = 0; r < rounds; ++r) fit = vt::eqfile::fitChannel(file, module);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            std::printf("%-8d %-10s %-12.1f %-14.2f %.2f\n", count,
                        module == vt::kMainModule ? "main" : "aux", took.count() / rounds,
                        fit.residual.maxAbsDb, fit.residual.rmsDb);
        }
    }
    return 0;
}
