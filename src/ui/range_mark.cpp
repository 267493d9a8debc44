// The out-of-range mark: a dynamic property, a tip and a style sheet added to the control's own.
#include "ui/range_mark.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVariant>
#include <QWidget>

namespace vt::ui {
namespace {

constexpr const char* kHeld = "heldBeyondRange";
constexpr const char* kPlainTip = "plainToolTip";
constexpr const char* kPlainStyle = "plainStyleSheet";

const char* typeSelector(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w)      ? "QLineEdit"
           : qobject_cast<const QComboBox*>(w)    ? "QComboBox"
           : qobject_cast<const QSpinBox*>(w)     ? "QSpinBox"
           : qobject_cast<const QLabel*>(w)       ? "QLabel"
           : qobject_cast<const QSlider*>(w)      ? "QSlider"
           : qobject_cast<const QRadioButton*>(w) ? "QRadioButton"
                                                  : "QWidget";
}

// Amber face, dark red text: the control shows less than the unit holds.
QString markedStyle(const QWidget* w) {
    if (const auto* bar = qobject_cast<const QSlider*>(w)) {
        const bool across = bar->orientation() == Qt::Horizontal;
        const QString groove = "background: rgb(255,200,120); border: 1px solid rgb(200,60,0);";
        const QString handle = "background: rgb(220,60,0); border: 1px solid rgb(120,20,0);";
        return QString("QSlider::groove:%1 { %2 %3 } QSlider::handle:%1 { %4 %5 }")
            .arg(across ? "horizontal" : "vertical", groove,
                 across ? "height: 4px;" : "width: 4px;", handle,
                 across ? "width: 8px; margin: -6px 0;" : "height: 8px; margin: 0 -6px;");
    }
    return QString(
               "%1 { background: rgb(255,200,120); color: rgb(150,20,0); border: 1px solid "
               "rgb(200,60,0); }")
        .arg(typeSelector(w));
}

}  // namespace

QString beyondRangeTip(int held) {
    return QString("The unit holds %1 (beyond this control's range)").arg(held);
}

std::optional<int> heldBeyondRange(const QWidget* control) {
    const QVariant v = control ? control->property(kHeld) : QVariant();
    return v.isValid() ? std::optional<int>(v.toInt()) : std::nullopt;
}

void markBeyondRange(QWidget* control, std::optional<int> held) {
    if (!control || heldBeyondRange(control) == held) return;
    const bool wasMarked = heldBeyondRange(control).has_value();
    if (!wasMarked) {
        control->setProperty(kPlainTip, control->toolTip());
        control->setProperty(kPlainStyle, control->styleSheet());
    }
    if (!held) {
        control->setProperty(kHeld, QVariant());
        control->setToolTip(control->property(kPlainTip).toString());
        control->setStyleSheet(control->property(kPlainStyle).toString());
        return;
    }
    control->setProperty(kHeld, *held);
    control->setToolTip(beyondRangeTip(*held));
    // The control's own declarations first, as a rule of its type, so the mark's rule wins.
    QString plain = control->property(kPlainStyle).toString();
    if (!plain.isEmpty() && !plain.contains('{'))
        plain = QString("%1 { %2 }").arg(typeSelector(control), plain);
    control->setStyleSheet(plain.isEmpty() ? markedStyle(control)
                                           : plain + "\n" + markedStyle(control));
}

}  // namespace vt::ui
