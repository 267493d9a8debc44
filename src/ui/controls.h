// The window's control kinds and their small shared state: each bound control carries its
// parameter address (tag) and a hint (its view kind, or a button's state).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QString>
#include <string_view>

namespace vt::ui {

// Text of the core (UTF-8) as a QString.
inline QString toQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Tag and hint live in dynamic properties so every widget kind can carry them.
int tagOf(const QObject* control);
void setTag(QObject* control, int tag);
QString hintOf(const QObject* control);
void setHint(QObject* control, const QString& hint);
// The hint read as an integer, 0 when empty or not a number.
int hintNumber(const QObject* control);

// A status pane that shows a value in its unit.
class ValuePane : public QLabel {
    Q_OBJECT
  public:
    explicit ValuePane(QWidget* parent = nullptr);
};

// A push button that draws one of three looks as its "up" image: released, pressed or
// disabled-looking. The pass and tab buttons swap these looks to show their state.
class BitmapButton : public QPushButton {
    Q_OBJECT
  public:
    enum class Look { Up, Down, Dimmed };
    enum class Role { Plain, Phase, Pass, Tab };

    explicit BitmapButton(const QString& caption, Role role, QWidget* parent = nullptr);

    Role role() const { return m_role; }
    Look upLook() const { return m_upLook; }
    void setUpLook(Look look);
    void setBoldCaption(bool bold);

  private:
    void restyle();
    Role m_role;
    Look m_upLook = Look::Up;
    bool m_bold = false;
};

// A track bar; its position is the parameter value.
class TrackBar : public QSlider {
    Q_OBJECT
  public:
    TrackBar(Qt::Orientation orientation, int minimum, int maximum, int position,
             QWidget* parent = nullptr);
};

}  // namespace vt::ui
