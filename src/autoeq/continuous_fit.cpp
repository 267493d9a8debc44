// Greedy placement and the damped Gauss-Newton (Levenberg-Marquardt) run on continuous values.
#include "autoeq/continuous_fit.h"

#include <algorithm>
#include <cmath>

namespace vt::autoeq {
namespace {

constexpr double kShelfLowHz = 120.0;
constexpr double kShelfHighHz = 6000.0;
// Finite-difference steps of octaves, gain and log2 Q.
constexpr double kStep[3] = {1e-4, 1e-3, 1e-4};

double& valueOf(Band& b, int k) {
    return k == 0 ? b.octaves : k == 1 ? b.gainDb : b.log2Q;
}

// The Q of a peak that is `octaves` wide at half its height.
double qOfWidth(double octaves) {
    const double r = std::exp2(std::max(octaves, 0.05));
    return std::sqrt(r) / (r - 1.0);
}

// Solves (a) x = b for a symmetric positive definite `a` of size n (row-major); false if it is not.
bool choleskySolve(std::vector<double> a, std::vector<double>& x, std::size_t n) {
    for (std::size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (std::size_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0.0)) return false;
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (std::size_t i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (std::size_t k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = s / d;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        double s = x[i];
        for (std::size_t k = 0; k < i; ++k) s -= a[i * n + k] * x[k];
        x[i] = s / a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        double s = x[i];
        for (std::size_t k = i + 1; k < n; ++k) s -= a[k * n + i] * x[k];
        x[i] = s / a[i * n + i];
    }
    return true;
}

}  // namespace

FitCurve modelOf(const std::vector<Band>& bands) {
    FitCurve m{};
    for (const Band& b : bands) addBandDb(b, m);
    return m;
}

std::vector<Band> greedyStart(const FitCurve& wanted, int count, ShelfChoice shelves,
                              double qScale) {
    const FitCurve& f = eqfile::fitFrequencies();
    std::vector<Band> bands;
    FitCurve model{};
    const auto meanError = [&](bool below, double hz) {
        double sum = 0.0;
        int n = 0;
        for (std::size_t i = 0; i < eqfile::kFitPoints; ++i)
            if (below ? f[i] < hz : f[i] > hz) {
                sum += wanted[i] - model[i];
                ++n;
            }
        return n ? sum / n : 0.0;
    };
    const auto add = [&](Band b) {
        b = clamped(b);
        addBandDb(b, model);
        bands.push_back(b);
    };
    const int shelfCount = (shelves.low ? 1 : 0) + (shelves.high ? 1 : 0);
    if (shelves.low)
        add({kLowShelf, std::log2(kShelfLowHz / 1000.0), meanError(true, kShelfLowHz),
             std::log2(0.7)});
    if (shelves.high)
        add({kHighShelf, std::log2(kShelfHighHz / 1000.0), meanError(false, kShelfHighHz),
             std::log2(0.7)});
    const int peaks = std::max(count - shelfCount, 0);
    for (int p = 0; p < peaks; ++p) {
        std::size_t top = 0;
        for (std::size_t i = 1; i < eqfile::kFitPoints; ++i)
            if (std::abs(wanted[i] - model[i]) > std::abs(wanted[top] - model[top])) top = i;
        const double height = wanted[top] - model[top];
        // Out to where the error has fallen to half on either side.
        std::size_t lo = top, hi = top;
        const auto above = [&](std::size_t i) {
            return (wanted[i] - model[i]) * height > 0.5 * height * height;
        };
        while (lo > 0 && above(lo - 1)) --lo;
        while (hi + 1 < eqfile::kFitPoints && above(hi + 1)) ++hi;
        const double width = std::log2(f[hi] / f[lo]) + std::log2(f[1] / f[0]);
        add({kPeak, std::log2(f[top] / 1000.0), height, std::log2(qOfWidth(width) * qScale)});
    }
    // Keep the unit's band order readable: low shelf first, high shelf last.
    if (shelves.high)
        std::rotate(bands.begin() + (shelves.low ? 1 : 0), bands.begin() + (shelves.low ? 2 : 1),
                    bands.end());
    return bands;
}

double localFit(const FitCurve& wanted, std::vector<Band>& bands, int iterations) {
    const std::size_t nb = bands.size();
    const std::size_t n = 3 * nb;
    if (n == 0) return squaredError(wanted, FitCurve{});
    constexpr std::size_t points = eqfile::kFitPoints;
    std::vector<FitCurve> curves(nb);
    FitCurve model{};
    for (std::size_t j = 0; j < nb; ++j) {
        bands[j] = clamped(bands[j]);
        curves[j] = FitCurve{};
        addBandDb(bands[j], curves[j]);
        eqfile::addCurve(model, curves[j]);
    }
    double cost = squaredError(wanted, model);
    std::vector<FitCurve> jacobian(n);
    std::vector<double> normal(n * n), gradient(n), step(n);
    double lambda = 1e-3;
    bool fresh = false;
    for (int it = 0; it < iterations; ++it) {
        if (!fresh) {
            // Model derivatives by forward differences, one band at a time.
            for (std::size_t j = 0; j < nb; ++j)
                for (int k = 0; k < 3; ++k) {
                    Band moved = bands[j];
                    valueOf(moved, k) += kStep[k];
                    FitCurve& d = jacobian[3 * j + static_cast<std::size_t>(k)];
                    d = FitCurve{};
                    addBandDb(moved, d);
                    for (std::size_t i = 0; i < points; ++i)
                        d[i] = (d[i] - curves[j][i]) / kStep[k];
                }
            for (std::size_t p = 0; p < n; ++p) {
                double g = 0.0;
                for (std::size_t i = 0; i < points; ++i)
                    g += jacobian[p][i] * (wanted[i] - model[i]);
                gradient[p] = g;
                for (std::size_t q = 0; q <= p; ++q) {
                    double s = 0.0;
                    for (std::size_t i = 0; i < points; ++i) s += jacobian[p][i] * jacobian[q][i];
                    normal[p * n + q] = normal[q * n + p] = s;
                }
            }
            fresh = true;
        }
        std::vector<double> damped = normal;
        for (std::size_t p = 0; p < n; ++p)
            damped[p * n + p] += lambda * (normal[p * n + p] + 1e-9);
        step = gradient;
        if (!choleskySolve(damped, step, n)) {
            lambda *= 10.0;
            if (lambda > 1e12) break;
            continue;
        }
        std::vector<Band> trial = bands;
        for (std::size_t j = 0; j < nb; ++j) {
            for (int k = 0; k < 3; ++k)
                valueOf(trial[j], k) += step[3 * j + static_cast<std::size_t>(k)];
            trial[j] = clamped(trial[j]);
        }
        const FitCurve trialModel = modelOf(trial);
        const double trialCost = squaredError(wanted, trialModel);
        if (trialCost < cost) {
            const double gain = cost - trialCost;
            bands = std::move(trial);
            model = trialModel;
            for (std::size_t j = 0; j < nb; ++j) {
                curves[j] = FitCurve{};
                addBandDb(bands[j], curves[j]);
            }
            cost = trialCost;
            lambda = std::max(lambda / 3.0, 1e-9);
            fresh = false;
            if (gain < 1e-9 * cost + 1e-12) break;
        } else {
            lambda *= 4.0;
            if (lambda > 1e12) break;
        }
    }
    return cost;
}

}  // namespace vt::autoeq
