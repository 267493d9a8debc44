// Entry point of the window program: application title, fonts, the main window.
#include <QApplication>
#include <QFont>

#include "model/parameter_model.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("vortella");
    QApplication::setApplicationDisplayName(vt::ui::kApplicationTitle);
    QApplication::setApplicationVersion(VORTELLA_VERSION);
    QFont font;
    font.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    QApplication::setFont(font);

    vt::ParameterModel model;
    vt::ui::QtDialogService dialogs;
    vt::ui::MainWindow window(model, dialogs);
    window.show();
    return QApplication::exec();
}
