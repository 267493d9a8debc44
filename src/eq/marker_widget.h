// One marker of the graph: a small widget that draws its own glyph (a numbered disc for a band,
// a tag reading HP or LP for the filters) as vectors, so it stays sharp at any pixel ratio.
#pragma once

#include <QWidget>

#include "eq/marker_table.h"

namespace vt {

class MarkerWidget : public QWidget {
  public:
    // `index` is the marker's place in the marker table (its tag).
    MarkerWidget(int index, QWidget* parent);

    int index() const { return m_index; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int m_index;
};

}  // namespace vt
