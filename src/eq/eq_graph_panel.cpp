// The graph panel: building its children, the grid and axis labels, and applying a redraw.
#include "eq/eq_graph_panel.h"

#include <QPalette>
#include <span>

#include "eq/axis_labels.h"
#include "eq/graph_image_view.h"
#include "eq/graph_style.h"
#include "eq/marker_widget.h"

namespace vt {
namespace {

QColor colourOf(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont boldFont(const QFont& base, int pointSize) {
    QFont font = base;
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    font.setBold(true);
    return font;
}

void setTextColour(QWidget* widget, Rgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colourOf(colour));
    widget->setPalette(palette);
}

PixelPoint pixelOf(QPoint p) {
    return {p.x(), p.y()};
}

}  // namespace

EqGraphPanel::EqGraphPanel(QWidget* parent)
    : QWidget(parent),
      m_canvas(GraphGeometry(kGraphSize.width(), kGraphSize.height())),
      m_composer(m_canvas.geometry()),
      m_graphPanel(new QWidget(this)),
      m_imageView(new GraphImageView(m_canvas.image(), m_graphPanel)),
      m_passLabel(new QLabel(m_graphPanel)),
      m_valueLabel(new QLabel(m_graphPanel)) {
    setObjectName(QStringLiteral("EQAdvPanel"));
    setFixedSize(kPanelSize);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colourOf(kGraphBackground));
    setPalette(palette);
    setAutoFillBackground(true);

    m_graphPanel->setObjectName(QStringLiteral("AdvPanel2"));
    m_graphPanel->setGeometry(QRect(kGraphOrigin, kGraphSize));
    m_imageView->move(0, 0);

    m_passLabel->setObjectName(QStringLiteral("EQPassLabel"));
    QFont passFont = boldFont(font(), kLabelPointSize);
    passFont.setPixelSize(kPassLabelPixelSize);
    m_passLabel->setFont(passFont);
    setTextColour(m_passLabel, kPassLabelText);
    m_passLabel->setText(textOf(kPassText));
    // The overlay's top-left corner is fixed; it grows to fit its bold text.
    m_passLabel->move(400, 72);
    m_passLabel->adjustSize();
    m_passLabel->hide();

    m_valueLabel->setObjectName(QStringLiteral("EQlabel"));
    m_valueLabel->setFont(boldFont(font(), kLabelPointSize));
    setTextColour(m_valueLabel, kValueLabelText);
    m_valueLabel->setAlignment(Qt::AlignCenter);
    m_valueLabel->resize(69, 39);

    const int zeroRow = toPixel(geometry().YOfGain(0));
    for (int i = 0; i < kMarkerCount; ++i) {
        auto* m = new MarkerWidget(i, m_graphPanel);
        // Parked at the left end of the 0 dB line until the first redraw places it.
        m->move(-m->height() / 2, zeroRow - m->height() / 2);
        m->setVisible(i <= kLastAlwaysShownMarker);
        m_markers[static_cast<std::size_t>(i)] = m;
    }

    BuildGrid(true);
}

void EqGraphPanel::RedrawCurve(int band, int channel) {
    if (m_source == nullptr || !m_composer.compose(band, channel, *m_source, m_frame)) return;

    m_passLabel->setVisible(m_frame.passOverlayVisible);
    if (m_frame.channelMarkersVisible)
        for (int i = kFirstChannelMarker; i <= kLastChannelMarker; ++i)
            m_markers[static_cast<std::size_t>(i)]->setVisible(*m_frame.channelMarkersVisible);

    RestoreGridBackground();
    for (int i = 0; i < m_frame.markerCount; ++i) {
        const MarkerPlacement& placed = m_frame.markers[static_cast<std::size_t>(i)];
        m_markers[static_cast<std::size_t>(placed.marker)]->move(placed.position.x,
                                                                 placed.position.y);
    }
    if (m_frame.valueLabel) writeValueLabel(*m_frame.valueLabel);

    // Point n is computed but not part of the curve.
    m_curve.drawSpline(m_canvas.raster(),
                       std::span<const PixelPoint>(m_frame.points.data(), kPoints), kCurveTension,
                       kCurveWidth, kCurveColour);
    m_imageView->update();
}

void EqGraphPanel::setPassOverlayVisible(bool visible) {
    m_passLabel->setVisible(visible);
}

MarkerWidget* EqGraphPanel::marker(int index) const {
    if (index < 0 || index >= kMarkerCount) return nullptr;
    return m_markers[static_cast<std::size_t>(index)];
}

void EqGraphPanel::BuildGrid(bool withLabels) {
    m_canvas.BuildGrid();
    const bool haveLabels =
        findChild<QLabel*>(textOf(kGainLabels[0].name), Qt::FindDirectChildrenOnly) != nullptr;
    if (withLabels && !haveLabels) createAxisLabels();
    m_imageView->update();
}

void EqGraphPanel::RestoreGridBackground() {
    m_canvas.RestoreGridBackground();
    m_imageView->update();
}

void EqGraphPanel::PlaceGainLabel(QLabel* label, const QString& text, double gain) {
    label->setText(text);
    label->adjustSize();
    const PixelPoint at = gainLabelPosition(geometry(), pixelOf(kGraphOrigin),
                                            {label->width(), label->height()}, gain);
    label->move(at.x, at.y);
}

void EqGraphPanel::PlaceFrequencyLabel(QLabel* label, const QString& text, double frequency) {
    label->setText(text);
    label->adjustSize();
    const PixelPoint at = frequencyLabelPosition(geometry(), pixelOf(kGraphOrigin),
                                                 {label->width(), label->height()}, frequency);
    label->move(at.x, at.y);
}

void EqGraphPanel::createAxisLabels() {
    auto make = [this](const AxisLabelInfo& info, PixelSize size, Qt::Alignment alignment) {
        auto* label = new QLabel(this);
        label->setObjectName(textOf(info.name));
        label->resize(size.width, size.height);
        label->setAlignment(alignment);
        label->setFont(boldFont(font(), kLabelPointSize));
        return label;
    };
    auto finish = [](QLabel* label) {
        setTextColour(label, kAxisLabelText);
        label->show();
    };
    for (const AxisLabelInfo& info : kGainLabels) {
        QLabel* label = make(info, kGainLabelSize, Qt::AlignRight | Qt::AlignVCenter);
        PlaceGainLabel(label, textOf(info.text), info.value);
        finish(label);
    }
    for (const AxisLabelInfo& info : kFrequencyLabels) {
        QLabel* label = make(info, kFrequencyLabelSize, Qt::AlignCenter);
        PlaceFrequencyLabel(label, textOf(info.text), info.value);
        finish(label);
    }
}

void EqGraphPanel::writeValueLabel(const CurveFrame::Label& label) {
    // The label's lines are separated by carriage returns; a QLabel breaks lines at '\n'.
    m_valueLabel->setText(textOf(label.label.text).replace(QChar(u'\r'), QChar(u'\n')));
    m_valueLabel->adjustSize();
    const PixelPoint at = valueLabelPosition(
        label.markerRect, {m_valueLabel->width(), m_valueLabel->height()}, label.label.placement);
    m_valueLabel->move(at.x, at.y);
}

}  // namespace vt
