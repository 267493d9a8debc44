// The program's icon, drawn as vectors so it is sharp at every size the desktop asks for.
#pragma once

#include <QIcon>

namespace vt::ui {

QIcon applicationIcon();

}  // namespace vt::ui
