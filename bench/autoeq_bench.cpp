// The automatic EQ against the usual fit on real measurements: per case and channel the error of
// the wanted correction, the baseline (bands placed greedily on the largest error, one local
// SLSQP run on continuous values, then rounded to the unit's steps), our search, their times, and
// the medians. Exit status 0 when the goal holds on the Main channel: no case worse than the
// baseline and a median at least 35% below the baseline's.
#include <nlopt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "autoeq/auto_fit.h"
#include "autoeq/continuous_fit.h"
#include "model/modules.h"

namespace {

using namespace vt::autoeq;
using Clock = std::chrono::steady_clock;

struct Problem {
    const FitCurve* wanted;
    std::vector<Band> bands;
    int evaluations = 0;
};

void unpack(const double* x, std::vector<Band>& bands) {
    for (std::size_t j = 0; j < bands.size(); ++j) {
        bands[j].octaves = x[3 * j];
        bands[j].gainDb = x[3 * j + 1];
        bands[j].log2Q = x[3 * j + 2];
    }
}

double meanSquare(const Problem& p) {
    return squaredError(*p.wanted, modelOf(p.bands)) / static_cast<double>(vt::eqfile::kFitPoints);
}

// Mean square error and its gradient by forward differences, as a user of the library supplies it.
double objective(unsigned n, const double* x, double* gradient, void* data) {
    auto& p = *static_cast<Problem*>(data);
    ++p.evaluations;
    unpack(x, p.bands);
    const double f = meanSquare(p);
    if (gradient) {
        std::vector<double> moved(x, x + n);
        for (unsigned k = 0; k < n; ++k) {
            const double h = 1e-6 * std::max(1.0, std::abs(x[k]));
            moved[k] = x[k] + h;
            unpack(moved.data(), p.bands);
            gradient[k] = (meanSquare(p) - f) / h;
            moved[k] = x[k];
        }
        unpack(x, p.bands);
    }
    return f;
}

struct Baseline {
    double continuousRms = 0.0;
    double rms = 0.0;
    double ms = 0.0;
};

Baseline baseline(const FitCurve& wanted, int count) {
    const auto start = Clock::now();
    Problem p{&wanted, greedyStart(wanted, count, {}, 1.0)};
    const unsigned n = static_cast<unsigned>(3 * p.bands.size());
    std::vector<double> x(n), low(n), high(n);
    const Limits l = limitsOf(kPeak);
    for (std::size_t j = 0; j < p.bands.size(); ++j) {
        x[3 * j] = p.bands[j].octaves;
        x[3 * j + 1] = p.bands[j].gainDb;
        x[3 * j + 2] = p.bands[j].log2Q;
        low[3 * j] = l.lowOctaves;
        high[3 * j] = l.highOctaves;
        low[3 * j + 1] = l.lowGainDb;
        high[3 * j + 1] = l.highGainDb;
        low[3 * j + 2] = l.lowLog2Q;
        high[3 * j + 2] = l.highLog2Q;
    }
    nlopt_opt opt = nlopt_create(NLOPT_LD_SLSQP, n);
    nlopt_set_lower_bounds(opt, low.data());
    nlopt_set_upper_bounds(opt, high.data());
    nlopt_set_min_objective(opt, objective, &p);
    nlopt_set_ftol_rel(opt, 1e-10);
    nlopt_set_xtol_rel(opt, 1e-8);
    nlopt_set_maxeval(opt, 3000);
    double best = 0.0;
    nlopt_optimize(opt, x.data(), &best);
    nlopt_destroy(opt);
    unpack(x.data(), p.bands);
    Baseline b;
    b.continuousRms = std::sqrt(meanSquare(p));
    std::vector<vt::eqfile::FittedBand> steps;
    for (const Band& band : p.bands) steps.push_back(nearestSteps(band));
    b.rms = figuresOf(wanted, bandsCurve(steps)).rmsAfterDb;
    b.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return b;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

std::vector<ResponsePoint> load(const std::string& path, std::size_t fewest) {
    const ResponseRead r = loadResponse(path, fewest);
    if (!r.problem.empty()) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), r.line, r.problem.c_str());
        std::exit(2);
    }
    return r.points;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : AUTOEQ_CORPUS_DIR;
    std::ifstream list(dir + "/cases.txt");
    if (!list) {
        std::fprintf(stderr, "autoeq_bench: no %s/cases.txt\n", dir.c_str());
        return 2;
    }
    std::printf("%-16s %-5s %10s %10s %10s %10s %8s %9s %9s\n", "case", "chan", "before dB",
                "base cont", "baseline", "auto", "auto/bl", "bl ms", "auto ms");
    bool goal = true;
    for (int module : {vt::kMainModule, vt::kAuxModule}) {
        std::vector<double> baselines, autos;
        list.clear();
        list.seekg(0);
        for (std::string line; std::getline(list, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream words(line);
            std::string name, measurement, target;
            words >> name >> measurement >> target;
            const auto targetPoints = target == "flat"
                                          ? std::vector<ResponsePoint>{}
                                          : load(dir + "/" + target, kFewestTargetPoints);
            const Correction c =
                correctionOf(load(dir + "/" + measurement, kFewestMeasurementPoints), targetPoints);
            const int count = vt::kBandCount[static_cast<std::size_t>(module)];
            const Baseline b = baseline(c.wanted, count);
            const auto start = Clock::now();
            const AutoFit a = autoFit(c, module);
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::printf("%-16s %-5s %10.3f %10.3f %10.3f %10.3f %8.3f %9.0f %9.0f\n", name.c_str(),
                        module == vt::kMainModule ? "main" : "aux", a.figures.rmsBeforeDb,
                        b.continuousRms, b.rms, a.figures.rmsAfterDb, a.figures.rmsAfterDb / b.rms,
                        b.ms, ms);
            baselines.push_back(b.rms);
            autos.push_back(a.figures.rmsAfterDb);
            if (module == vt::kMainModule && a.figures.rmsAfterDb > b.rms) goal = false;
        }
        const double mb = median(baselines), ma = median(autos);
        std::printf("%-16s %-5s %10s %10s %10.3f %10.3f %8.3f\n", "median",
                    module == vt::kMainModule ? "main" : "aux", "", "", mb, ma, ma / mb);
        if (module == vt::kMainModule && ma > 0.65 * mb) goal = false;
    }
    std::printf("goal (main: no case worse than the baseline, median at least 35%% below): %s\n",
                goal ? "met" : "NOT met");
    return goal ? 0 : 1;
}
