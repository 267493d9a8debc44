// A vertical level meter on the volume panel. It paints every pixel of itself, so a new level
// repaints the meter alone, never the panel behind it, and a level it already shows repaints
// nothing; repaints wait for the next paint pass, so both meters go to the screen together.
#pragma once

#include <QWidget>

namespace vt::ui {

class MeterBar : public QWidget {
    Q_OBJECT
  public:
    MeterBar(int maximum, QWidget* parent = nullptr);

    int value() const { return m_value; }
    int maximum() const { return m_maximum; }
    // Limits the level to 0..maximum.
    void setValue(int level);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int m_maximum;
    int m_value = 0;
};

}  // namespace vt::ui
