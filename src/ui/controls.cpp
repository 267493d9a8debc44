// Control kinds of the window: properties, looks of the bitmap buttons.
#include "ui/controls.h"

#include <QVariant>

namespace vt::ui {

int tagOf(const QObject* control) {
    const QVariant v = control ? control->property("tag") : QVariant();
    return v.isValid() ? v.toInt() : 0;
}

void setTag(QObject* control, int tag) {
    control->setProperty("tag", tag);
}

QString hintOf(const QObject* control) {
    return control ? control->property("hint").toString() : QString();
}

void setHint(QObject* control, const QString& hint) {
    control->setProperty("hint", hint);
}

int hintNumber(const QObject* control) {
    bool ok = false;
    const int n = hintOf(control).trimmed().toInt(&ok);
    return ok ? n : 0;
}

ValuePane::ValuePane(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setStyleSheet("QLabel { background: rgb(236,236,236); color: rgb(20,20,20); }");
}

BitmapButton::BitmapButton(const QString& caption, Role role, QWidget* parent)
    : QPushButton(caption, parent), m_role(role) {
    setFocusPolicy(Qt::NoFocus);
    restyle();
}

void BitmapButton::setUpLook(Look look) {
    m_upLook = look;
    restyle();
}

void BitmapButton::setBoldCaption(bool bold) {
    m_bold = bold;
    restyle();
}

void BitmapButton::restyle() {
    // Released: raised grey-blue; pressed: dark with a light rim; dimmed: flat grey.
    QString face;
    switch (m_upLook) {
        case Look::Up:
            face =
                "background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 rgb(118,126,150), "
                "stop:1 rgb(74,80,102)); border: 1px solid rgb(50,54,70);";
            break;
        case Look::Down:
            face =
                "background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 rgb(40,120,170), "
                "stop:1 rgb(24,80,120)); border: 1px solid rgb(190,220,240);";
            break;
        case Look::Dimmed:
            face = "background: rgb(120,120,120); border: 1px solid rgb(90,90,90);";
            break;
    }
    setStyleSheet(QString("QPushButton { %1 color: white; border-radius: 3px; font-weight: %2; "
                          "padding: 1px 4px; } QPushButton:pressed { background: rgb(30,90,130); }")
                      .arg(face, m_bold ? "bold" : "normal"));
}

TrackBar::TrackBar(Qt::Orientation orientation, int minimum, int maximum, int position,
                   QWidget* parent)
    : QSlider(orientation, parent) {
    setRange(minimum, maximum);
    setValue(position);
    setPageStep(1);
    setSingleStep(1);
}

}  // namespace vt::ui
