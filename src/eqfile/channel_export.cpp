// Export: the channel filters that are on come first, then every band in band order, a bypassed
// band as an OFF line. Values are the table texts, so that reading them back finds the same steps.
#include "eqfile/channel_export.h"

#include <algorithm>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_file.h"
#include "model/number_text.h"
#include "model/scales.h"

namespace vt::eqfile {
namespace {

std::string fcText(int freqIndex) {
    return "Fc " + std::string(frequencyText(freqIndex)) + " Hz";
}

std::string bandLine(int type, int freqIndex, int gainStep, int qIndex) {
    const std::string gain = " Gain " + formatFixed(gainDb(gainStep), 1) + " dB";
    const std::string q = " Q " + std::string(qText(qIndex));
    switch (type) {
        case 0:
            return "PK " + fcText(freqIndex) + gain + q;
        case 1:
        case 2:
            return std::string(type == 1 ? "LSC " : "HSC ") +
                   formatFixed(kShelfSlopeDbPerUnit * qValue(qIndex), 2) + " dB " +
                   fcText(freqIndex) + gain;
        default:  // the gain of a variable-Q pass changes nothing, but the band holds it
            return std::string(type == 3 ? "HPQ " : "LPQ ") + fcText(freqIndex) +
                   (gainStep == kGainStepZero ? "" : gain) + q;
    }
}

}  // namespace

std::string exportChannel(const DeviceImage& image, int module) {
    const bool main = module == kMainModule;
    const int bands = kBandCount[static_cast<std::size_t>(module)];
    std::vector<std::string> lines;

    using namespace slot_ids;
    struct Filter {
        int typeSlot, freqSlot, offIndex;
        const char* word;
    };
    const Filter filters[2] = {
        {main ? kMainHighPassType : kAuxHighPassType, main ? kMainHighPassFreq : kAuxHighPassFreq,
         0, "HPQ"},
        {main ? kMainLowPassType : kAuxLowPassType, main ? kMainLowPassFreq : kAuxLowPassFreq,
         kFreqIndexMax, "LPQ"},
    };
    for (const auto& f : filters) {
        const int item = image.at(module, f.typeSlot);
        const int freq = image.at(module, f.freqSlot);
        if (item <= 0 || item >= filterItems(module) || freq == f.offIndex || freq < 0 ||
            freq > kFreqIndexMax)
            continue;
        for (double q : filterSectionQs(item))
            lines.push_back("ON " + std::string(f.word) + " " + fcText(freq) + " Q " +
                            formatFixed(q, 4));
    }

    std::vector<std::string> unknown;
    for (int b = 0; b < bands; ++b) {
        const int typeValue = image.at(module, bandSlot(module, b, kFieldType));
        const int type = bandTypeIndex(typeValue);
        if (typeValue < 0 || typeValue > 14 || type > 4) {
            unknown.push_back("# band " + std::to_string(b + 1) + " has type value " +
                              std::to_string(typeValue) + ", which no filter line can express");
            continue;
        }
        auto field = [&](int f, int highest) {
            return std::clamp(static_cast<int>(image.at(module, bandSlot(module, b, f))), 0,
                              highest);
        };
        const int q = field(type == 0 ? kFieldPeakQ : kFieldQ, kQIndexMax);
        lines.push_back(
            std::string(bandBypassed(typeValue) ? "OFF " : "ON ") +
            bandLine(type, field(kFieldFreq, kFreqIndexMax), field(kFieldGain, kGainStepMax), q));
    }

    std::string out = std::string("# ") + (main ? "Main" : "Auxiliary") +
                      " channel: " + std::to_string(bands) + " bands\n";
    for (const auto& u : unknown) out += u + "\n";
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += "Filter " + std::to_string(i + 1) + ": " + lines[i] + "\n";
    return out;
}

}  // namespace vt::eqfile
