// The program's font: the families that carry both its English and its Chinese texts.
#pragma once

#include <QFont>

namespace vt::ui {

// The families in order of preference, with a fallback that has the Chinese glyphs.
QFont applicationFont(int pixelSize);
// Makes it the font of every window of the application (12 px).
void useApplicationFont();

}  // namespace vt::ui
