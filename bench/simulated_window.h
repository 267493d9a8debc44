// The window program as the benchmarks start it: the program's font, real dialogs, and the
// controller listing the simulated unit. Construct it after the QApplication.
#pragma once

#include <QTemporaryDir>

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
    // The window serves its control service here, alone: it meets no other program's.
    QTemporaryDir runtime;
    ui::ControllerApp controller{simulatedUnitOnly(), dialogs,
                                 runtime.filePath("control").toStdString()};
    ui::MainWindow& window() { return controller.mainWindow(); }
};

}  // namespace vt::bench
