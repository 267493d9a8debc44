// Coordinate descent on the table steps, best move per band, sweeps until nothing improves.
#include "autoeq/step_polish.h"

#include <algorithm>

#include "model/scales.h"

namespace vt::autoeq {
namespace {

struct Move {
    int freq, gain, q;
};

// Single steps of one value and the pairs of unit steps of two.
std::vector<Move> moves() {
    std::vector<Move> m;
    for (int d : {-3, -2, -1, 1, 2, 3}) m.push_back({d, 0, 0});
    for (int d : {-3, -2, -1, 1, 2, 3}) m.push_back({0, d, 0});
    for (int d : {-2, -1, 1, 2}) m.push_back({0, 0, d});
    for (int a : {-1, 1})
        for (int b : {-1, 1}) {
            m.push_back({a, b, 0});
            m.push_back({a, 0, b});
            m.push_back({0, a, b});
        }
    return m;
}

bool within(const eqfile::FittedBand& b) {
    const int highQ = b.type == kPeak ? kAutoPeakQIndexMax : kOtherQIndexMax;
    return b.freqIndex >= 0 && b.freqIndex <= kFreqIndexMax && b.gainStep >= 0 &&
           b.gainStep <= kGainStepMax && b.qIndex >= 0 && b.qIndex <= highQ;
}

}  // namespace

double polishSteps(const FitCurve& wanted, std::vector<eqfile::FittedBand>& bands) {
    static const std::vector<Move> kMoves = moves();
    FitCurve model{};
    for (const auto& b : bands) addStepsDb(b, model);
    double cost = squaredError(wanted, model);
    for (bool improved = true; improved;) {
        improved = false;
        for (auto& band : bands) {
            FitCurve others = model;
            addStepsDb(band, others, -1.0);
            eqfile::FittedBand best = band;
            double bestCost = cost;
            for (const Move& m : kMoves) {
                eqfile::FittedBand b = band;
                b.freqIndex += m.freq;
                b.gainStep += m.gain;
                b.qIndex += m.q;
                if (!within(b)) continue;
                FitCurve trial = others;
                addStepsDb(b, trial);
                // A clear improvement only, so that rounding noise cannot make it cycle.
                if (const double c = squaredError(wanted, trial); c < bestCost - 1e-9) {
                    bestCost = c;
                    best = b;
                }
            }
            if (bestCost < cost) {
                band = best;
                model = others;
                addStepsDb(band, model);
                cost = bestCost;
                improved = true;
            }
        }
    }
    return cost;
}

}  // namespace vt::autoeq
