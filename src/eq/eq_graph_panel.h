// The equaliser graph panel (EQAdvPanel): the graph image with its grid, the axis labels, the 17
// markers, the value label and the "EQ PASS" overlay, and RedrawCurve that brings them up to date.
// It handles no mouse input: the marker editor reaches markers, image and labels through the
// accessors (markers carry their table index as index() and in the "tag" property).
#pragma once

#include <QLabel>
#include <QWidget>
#include <array>

#include "eq/curve_composer.h"
#include "eq/curve_rasterizer.h"
#include "eq/grid_canvas.h"

namespace vt {

class GraphImageView;
class MarkerWidget;

class EqGraphPanel : public QWidget {
  public:
    static constexpr QSize kPanelSize{1166, 308};
    static constexpr QPoint kGraphOrigin{48, 18};  // AdvPanel2 inside the panel
    static constexpr QSize kGraphSize{1104, 270};

    explicit EqGraphPanel(QWidget* parent = nullptr);

    // Where redraws read the refresh flag, the "EQ PASS" flags and the band list. Without a
    // source every redraw is ignored. The source must outlive the panel or be replaced.
    void setSource(const CurveSource* source) { m_source = source; }

    // Redraws `band` (slot 0..16, or kAllSlots) of `channel` (1 Main, 2 Auxiliary).
    void RedrawCurve(int band, int channel);
    void redrawAll(int channel) { RedrawCurve(kAllSlots, channel); }

    // The "EQ PASS" button shows or hides the overlay directly.
    void setPassOverlayVisible(bool visible);

    // Marker `index` of the marker table (0..16), or nullptr outside it. Its position is in the
    // graph panel's coordinates, which are the graph image's.
    MarkerWidget* marker(int index) const;
    QWidget* graphPanel() const { return m_graphPanel; }  // AdvPanel2
    GraphImageView* imageView() const { return m_imageView; }
    QLabel* valueLabel() const { return m_valueLabel; }
    QLabel* passLabel() const { return m_passLabel; }

    const QImage& graphImage() const { return m_canvas.image(); }
    const GraphGeometry& geometry() const { return m_canvas.geometry(); }
    // The slot table: band list and kept responses (read by the marker editor).
    const CurveComposer& composer() const { return m_composer; }

    // Builds the grid into the graph image and, with labels, creates the axis labels.
    void BuildGrid(bool withLabels);
    void RestoreGridBackground();
    void PlaceGainLabel(QLabel* label, const QString& text, double gain);
    void PlaceFrequencyLabel(QLabel* label, const QString& text, double frequency);

  private:
    void createAxisLabels();
    void writeValueLabel(const CurveFrame::Label& label);

    GridCanvas m_canvas;
    CurveComposer m_composer;
    CurveFrame m_frame;
    CurveRasterizer m_curve;
    const CurveSource* m_source = nullptr;

    QWidget* m_graphPanel;
    GraphImageView* m_imageView;
    QLabel* m_passLabel;
    QLabel* m_valueLabel;
    std::array<MarkerWidget*, kMarkerCount> m_markers{};
};

}  // namespace vt
