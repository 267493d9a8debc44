// The window program as the benchmarks start it: the program's font, real dialogs, and the
// controller listing the simulated unit. Construct it after the QApplication.
#pragma once

#include "ui/app_font.h"
#include "ui/controller_app.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

namespace vt::bench {

inline devices::HubOptions simulatedUnitOnly() {
    devices::HubOptions options;
    options.simulate = true;
    return options;
}

struct SimulatedWindow {
    // Set before the windows are built, so they are laid out in it.
    bool fontSet = (ui::useApplicationFont(), true);
    ui::QtDialogService dialogs;
    ui::ControllerApp controller{simulatedUnitOnly(), dialogs};
    ui::MainWindow& window() { return controller.mainWindow(); }
};

}  // namespace vt::bench
