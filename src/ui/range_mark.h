// How a control shows a value the unit holds beyond what the control can show: at its nearest
// end, in a warning colour, with a tip that says what the unit holds. Showing never writes; the
// mark goes when the control next shows a value it can.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace vt::ui {

// "The unit holds 300 (beyond this control's range)".
QString beyondRangeTip(int held);

// Marks `control` as showing its nearest end for `held`, or clears the mark (nullopt). The
// control's own tip and style come back with the clearing.
void markBeyondRange(QWidget* control, std::optional<int> held);

// The value the unit holds that `control` cannot show, while it is marked.
std::optional<int> heldBeyondRange(const QWidget* control);

}  // namespace vt::ui
