// Drawing of the program's icon: a response curve with two band markers on the graph's colours.
#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vt::ui {
namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 86, 79));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setPen(QPen(QColor(138, 133, 125), 1));
    for (int y : {20, 32, 44}) p.drawLine(8, y, 56, y);
    QPainterPath curve(QPointF(8, 44));
    curve.cubicTo(16, 44, 18, 30, 24, 30);
    curve.cubicTo(30, 30, 30, 40, 36, 38);
    curve.cubicTo(42, 36, 44, 18, 48, 18);
    curve.cubicTo(52, 18, 54, 30, 56, 30);
    p.setPen(QPen(QColor(212, 120, 34), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(46, 58, 79));
    p.drawEllipse(QPointF(24, 30), 4, 4);
    p.drawEllipse(QPointF(48, 18), 4, 4);
    return pixmap;
}

}  // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace vt::ui
