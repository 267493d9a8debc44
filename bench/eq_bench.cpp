// EQ benchmarks: BandResponse per family of sections, RedrawCurve of one slot and of all Main
// slots (spline drawing included), and the exact evaluation of the same curve as the yardstick.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "busy_channel.h"
#include "eq/band_response.h"
#include "eq/curve_composer.h"
#include "eq/eq_graph_panel.h"
#include "exact_curve.h"

namespace vt::bench {
namespace {

void BM_BandResponse(benchmark::State& state, BandSettings settings) {
    Response out;
    for (auto _ : state) {
        BandResponse(settings, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(BM_BandResponse, peak, BandSettings{0, 1000, 1.41f, 6.0f});
BENCHMARK_CAPTURE(BM_BandResponse, low_shelf, BandSettings{1, 100, 1.0f, 6.0f});
BENCHMARK_CAPTURE(BM_BandResponse, high_shelf, BandSettings{2, 8000, 1.0f, -6.0f});
BENCHMARK_CAPTURE(BM_BandResponse, variq_high_pass, BandSettings{3, 200, 2.0f, 0.0f});
BENCHMARK_CAPTURE(BM_BandResponse, butterworth_12, BandSettings{102, 50, 1.0f, 0.0f});
BENCHMARK_CAPTURE(BM_BandResponse, linkwitz_riley_12_low_pass,
                  BandSettings{203, 12000, 1.0f, 0.0f});
BENCHMARK_CAPTURE(BM_BandResponse, butterworth_24_low_pass, BandSettings{205, 12000, 1.0f, 0.0f});
BENCHMARK_CAPTURE(BM_BandResponse, bypassed, BandSettings{10, 1000, 1.0f, 6.0f});

void BM_RedrawCurveOneSlot(benchmark::State& state) {
    BusyChannel channel;
    EqGraphPanel panel;
    panel.setSource(&channel.source);
    panel.redrawAll(kMainModule);
    for (auto _ : state) {
        channel.nudgeGain(2);
        panel.RedrawCurve(2, kMainModule);
    }
}
BENCHMARK(BM_RedrawCurveOneSlot)->Unit(benchmark::kMicrosecond);

void BM_RedrawCurveAllSlots(benchmark::State& state) {
    BusyChannel channel;
    EqGraphPanel panel;
    panel.setSource(&channel.source);
    for (auto _ : state) panel.RedrawCurve(kAllSlots, kMainModule);
}
BENCHMARK(BM_RedrawCurveAllSlots)->Unit(benchmark::kMicrosecond);

// The curve arithmetic of a full redraw without any drawing: what the yardstick replaces.
void BM_ComposeAllSlots(benchmark::State& state) {
    BusyChannel channel;
    CurveComposer composer(GraphGeometry(1104, 270));
    CurveFrame frame;
    for (auto _ : state) {
        composer.compose(kAllSlots, kMainModule, channel.source, frame);
        benchmark::DoNotOptimize(frame.points.data());
    }
}
BENCHMARK(BM_ComposeAllSlots)->Unit(benchmark::kMicrosecond);

void BM_ExactCurveAllSlots(benchmark::State& state) {
    BusyChannel channel;
    BandList bands;
    const int r = channel.source.loadBandList(kMainModule, bands);
    Response total;
    for (auto _ : state) {
        exactCurve(bands, r % 100 + r / 100, total);
        benchmark::DoNotOptimize(total.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ExactCurveAllSlots)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vt::bench

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
