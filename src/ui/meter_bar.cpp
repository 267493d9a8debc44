// The level meter: a dark sunken well with the level as a green column.
#include "ui/meter_bar.h"

#include <QPainter>
#include <algorithm>

namespace vt::ui {

MeterBar::MeterBar(int maximum, QWidget* parent)
    : QWidget(parent), m_maximum(std::max(maximum, 1)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterBar::setValue(int level) {
    level = std::clamp(level, 0, m_maximum);
    if (level == m_value) return;
    m_value = level;
    update();
}

void MeterBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect well = rect();
    p.fillRect(well, QColor(28, 30, 36));
    p.setPen(QColor(110, 110, 110));
    p.drawRect(well.adjusted(0, 0, -1, -1));
    const QRect inner = well.adjusted(2, 2, -2, -2);
    const int height = inner.height() * m_value / m_maximum;
    if (height <= 0) return;
    p.fillRect(QRect(inner.left(), inner.bottom() - height + 1, inner.width(), height),
               QColor(60, 200, 90));
}

}  // namespace vt::ui
