// The program's font families.
#include "ui/app_font.h"

#include <QApplication>

namespace vt::ui {

QFont applicationFont(int pixelSize) {
    QFont font;
    font.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans", "Noto Sans CJK SC"});
    font.setPixelSize(pixelSize);
    return font;
}

void useApplicationFont() {
    QApplication::setFont(applicationFont(12));
}

}  // namespace vt::ui
