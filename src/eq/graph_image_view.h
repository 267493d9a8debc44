// The control that shows the graph image (Image1): it paints the canvas's raster as it is.
#pragma once

#include <QImage>
#include <QWidget>

namespace vt {

class GraphImageView : public QWidget {
  public:
    GraphImageView(const QImage& image, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const QImage& m_image;
};

}  // namespace vt
