// Entry point of the window program: options, application title and fonts, remembered settings,
// then the controller.
#include <QApplication>
#include <QSettings>
#include <cstdio>

#include "app/capture_option.h"
#include "app/gui_options.h"
#include "app/language_choice.h"
#include "app/program_version.h"
#include "app/termination_signals.h"
#include "devices/device_path.h"
#include "ui/app_font.h"
#include "ui/app_icon.h"
#include "ui/controller_app.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/window_memory.h"

int main(int argc, char** argv) {
    // The options are read before the application connects to a display, so that --help,
    // --version and a bad option need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const vt::app::GuiCommandLine line = vt::app::parseGuiCommandLine(arguments);
    if (line.exitCode >= 0) {
        std::fputs(qPrintable(line.text), line.exitCode == 0 ? stdout : stderr);
        return line.exitCode;
    }
    // A node named with --device that cannot be opened ends the run with the system's reason.
    if (const QString& device = line.options.hub.devicePath; !device.isEmpty()) {
        const std::string why = vt::devices::deviceOpenProblem(
            device.toStdString(), line.options.hub.transport == vt::TransportKind::Uart);
        if (!why.empty()) {
            std::fprintf(stderr, "vortella: %s\n", why.c_str());
            return 3;
        }
    }

    vt::app::GuiOptions options = line.options;
    if (!options.capture.isEmpty()) {
        std::string message;
        options.hub.capture = vt::app::openCapture(options.capture.toStdString(), "vortella",
                                                   vt::app::kProgramVersion, message);
        if (!options.hub.capture) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("vortella");
    QApplication::setOrganizationName("vortella");
    QApplication::setApplicationDisplayName(vt::ui::kApplicationTitle);
    QApplication::setApplicationVersion(vt::app::kProgramVersion);
    QApplication::setWindowIcon(vt::ui::applicationIcon());
    QApplication::setDesktopFileName("vortella");

    vt::ui::useApplicationFont();

    QSettings settings = vt::app::programSettings();
    vt::ui::WindowMemory memory(settings);
    if (line.options.resetSettings) memory.forget();

    vt::ui::QtDialogService dialogs(&memory);
    vt::ui::ControllerApp controller(options.hub, dialogs);
    if (line.options.logLink) controller.logLinkLabels();
    controller.setLanguage(vt::app::startLanguage(line.options.language, settings));
    QObject::connect(&controller.mainWindow(), &vt::ui::MainWindow::languageSwitched,
                     [&settings](int flag) { vt::app::rememberLanguage(settings, flag); });
    new vt::ui::PositionKeeper(controller.mainWindow(), memory);
    // Where it was last time, if that screen is still there; else centred where the pointer is.
    if (!vt::ui::restoreWindowPosition(controller.mainWindow(), memory))
        controller.mainWindow().placeOnPointerScreen();
    // Asked to end (logout, shutdown, Ctrl+C in a terminal): close as the window's close button
    // does, then end even if the link window is still open; a second request ends at once.
    bool ending = false;
    vt::app::TerminationSignals termination([&controller, &ending](int) {
        if (ending) {
            QApplication::quit();
            return;
        }
        ending = true;
        if (!controller.mainWindow().close()) return;  // it closes once its settings arrived
        QApplication::quit();
    });
    QObject::connect(&controller.mainWindow(), &vt::ui::MainWindow::closed, [&ending] {
        if (ending) QApplication::quit();
    });
    controller.start();
    return QApplication::exec();
}
