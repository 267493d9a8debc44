// Painting of the graph image.
#include "eq/graph_image_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace vt {

GraphImageView::GraphImageView(const QImage& image, QWidget* parent)
    : QWidget(parent), m_image(image) {
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(image.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphImageView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), m_image, event->rect());
}

}  // namespace vt
