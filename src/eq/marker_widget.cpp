// Marker glyphs: an 18 x 18 disc with the band number, or a 24 x 24 rounded tag with HP or LP.
#include "eq/marker_widget.h"

#include <QPainter>
#include <QPainterPath>

namespace vt {
namespace {

const QColor kBandFill(52, 56, 64, 230);
const QColor kFilterFill(34, 78, 128, 230);
const QColor kOutline(255, 255, 255);
const QColor kGlyphText(255, 255, 255);

}  // namespace

MarkerWidget::MarkerWidget(int index, QWidget* parent) : QWidget(parent), m_index(index) {
    const MarkerInfo& info = kMarkers[static_cast<std::size_t>(index)];
    setObjectName(QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    setFixedSize(info.width, info.height);
    setProperty("tag", index);
    setAttribute(Qt::WA_TranslucentBackground);
}

void MarkerWidget::paintEvent(QPaintEvent*) {
    const MarkerInfo& info = kMarkers[static_cast<std::size_t>(m_index)];
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    p.setPen(QPen(kOutline, 1.5));

    QFont font = p.font();
    font.setBold(true);
    QString text;
    if (info.glyph == MarkerGlyph::Band) {
        p.setBrush(kBandFill);
        p.drawEllipse(box);
        font.setPixelSize(11);
        text = QString::number(info.number);
    } else {
        p.setBrush(kFilterFill);
        p.drawRoundedRect(box, 5, 5);
        font.setPixelSize(10);
        text = info.glyph == MarkerGlyph::HighPass ? QStringLiteral("HP") : QStringLiteral("LP");
    }
    p.setFont(font);
    p.setPen(kGlyphText);
    p.drawText(rect(), Qt::AlignCenter, text);
}

}  // namespace vt
