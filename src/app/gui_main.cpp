// Entry point of the window program: options, application title and fonts, then the controller.
#include <QApplication>
#include <QCommandLineParser>
#include <QFont>

#include "ui/app_icon.h"
#include "ui/controller_app.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("vortella");
    QApplication::setApplicationDisplayName(vt::ui::kApplicationTitle);
    QApplication::setApplicationVersion(VORTELLA_VERSION);
    QApplication::setWindowIcon(vt::ui::applicationIcon());
    QApplication::setDesktopFileName("vortella");

    QCommandLineParser parser;
    parser.setApplicationDescription("Control program for the KV series digital audio processor.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate("simulate", "List a simulated unit beside the real devices.");
    const QCommandLineOption transport("transport", "usb (default) or uart.", "usb|uart", "usb");
    const QCommandLineOption port("port", "Serial port to try first (with --transport uart).",
                                  "NAME");
    parser.addOptions({simulate, transport, port});
    parser.process(app);

    vt::devices::HubOptions options;
    const QString form = parser.value(transport).toLower();
    if (form != "usb" && form != "uart") {
        fprintf(stderr, "vortella: --transport takes usb or uart, not '%s'\n", qPrintable(form));
        return 1;
    }
    options.transport = form == "uart" ? vt::TransportKind::Uart : vt::TransportKind::UsbHid;
    options.port = parser.value(port);
    options.simulate = parser.isSet(simulate);

    QFont font;
    font.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    QApplication::setFont(font);

    vt::ui::QtDialogService dialogs;
    vt::ui::ControllerApp controller(options, dialogs);
    controller.start();
    return QApplication::exec();
}
