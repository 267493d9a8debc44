// One full pass of applying a device image to the main window, offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "model/parameter_model.h"
#include "sim/factory_image.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

namespace {

void BM_ApplyDeviceImage(benchmark::State& state) {
    vt::ParameterModel model;
    vt::ui::QtDialogService dialogs;
    vt::ui::MainWindow window(model, dialogs);
    window.show();
    const vt::DeviceImage factory = vt::sim::factoryImage();
    bool flip = false;
    for (auto _ : state) {
        // Alternate two images so every pass changes the controls.
        model.device = flip ? factory : vt::DeviceImage{};
        flip = !flip;
        window.ApplyDeviceImage();
    }
}
BENCHMARK(BM_ApplyDeviceImage)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
