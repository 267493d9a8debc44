// The graph panel as the window will embed it: children and their names, the drawn curve, the
// markers, the value label and the overlay after redraws.
#include "eq/eq_graph_panel.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include "eq/marker_widget.h"
#include "fake_curve_source.h"
#include "pixel_colours.h"

namespace vt {
namespace {

using test::FakeCurveSource;
using test::isCurve;
using test::isCurveExactly;

class EqGraphPanelTest : public testing::Test {
  protected:
    EqGraphPanel panel;
    FakeCurveSource source = FakeCurveSource::flat(1);

    void SetUp() override { panel.setSource(&source); }
    QPoint markerAt(int index) const { return panel.marker(index)->pos(); }
    const QImage& image() const { return panel.graphImage(); }
};

TEST_F(EqGraphPanelTest, ChildrenCarryTheirNamesSizesAndVisibility) {
    EXPECT_EQ(panel.objectName(), "EQAdvPanel");
    EXPECT_EQ(panel.size(), QSize(1166, 308));
    QWidget* graph = panel.findChild<QWidget*>("AdvPanel2");
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->geometry(), QRect(48, 18, 1104, 270));
    EXPECT_EQ(panel.findChild<QWidget*>("Image1")->size(), QSize(1104, 270));

    const struct {
        const char* name;
        QSize size;
        bool shown;
    } markers[] = {{"EP1", {18, 18}, true},   {"EP3", {18, 18}, true},  {"EP9", {18, 18}, true},
                   {"HPF", {24, 24}, true},   {"LPF", {24, 24}, true},  {"EP10", {18, 18}, false},
                   {"EP12", {18, 18}, false}, {"EP15", {18, 17}, false}};
    for (const auto& m : markers) {
        auto* w = graph->findChild<MarkerWidget*>(m.name);
        ASSERT_NE(w, nullptr) << m.name;
        EXPECT_EQ(w->size(), m.size) << m.name;
        EXPECT_EQ(w->isVisibleTo(&panel), m.shown) << m.name;
        EXPECT_EQ(panel.marker(w->index()), w);
    }
    EXPECT_EQ(panel.marker(17), nullptr);
    EXPECT_EQ(panel.marker(-1), nullptr);

    QLabel* pass = graph->findChild<QLabel*>("EQPassLabel");
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->text(), "EQ PASS");
    EXPECT_EQ(pass->pos(), QPoint(400, 72));
    EXPECT_EQ(pass->font().pixelSize(), 35);
    EXPECT_TRUE(pass->font().bold());
    const QRect needed = QFontMetrics(pass->font()).boundingRect(pass->text());
    EXPECT_GE(pass->width(), needed.width());
    EXPECT_GE(pass->height(), needed.height());
    EXPECT_FALSE(pass->isVisibleTo(&panel));
    ASSERT_NE(graph->findChild<QLabel*>("EQlabel"), nullptr);
}

TEST_F(EqGraphPanelTest, AxisLabelsSitAgainstTheGraph) {
    const struct {
        const char* name;
        const char* text;
        bool gain;
        int at;  // row of a gain label's centre or column of a frequency label's centre
    } labels[] = {{"EQLabelY0", "-24dB", true, 269},  {"EQLabelY4", "0dB", true, 90},
                  {"EQLabelY6", "12dB", true, 0},     {"EQLabelX11", "20Hz", false, 98},
                  {"EQLabelX16", "1KHz", false, 653}, {"EQLabelX20", "20KHz", false, 1078}};
    for (const auto& l : labels) {
        auto* label = panel.findChild<QLabel*>(l.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(label, nullptr) << l.name;
        EXPECT_EQ(label->text(), l.text);
        EXPECT_TRUE(label->isVisibleTo(&panel));
        const QRect r = label->geometry();
        if (l.gain) {
            EXPECT_EQ(r.right() + 1, 48 - 2) << l.name;
            EXPECT_EQ(r.top(), l.at + 18 - r.height() / 2) << l.name;
        } else {
            EXPECT_EQ(r.left(), l.at + 48 - r.width() / 2) << l.name;
            EXPECT_EQ(r.top(), 18 + 270) << l.name;
        }
    }
}

TEST_F(EqGraphPanelTest, FlatChannelDrawsItsCurveOnRowNinety) {
    panel.redrawAll(1);
    for (int x = 1; x < 1100; ++x) {
        ASSERT_TRUE(isCurveExactly(image(), x, 90)) << x;
        ASSERT_FALSE(isCurve(image(), x, 88)) << x;
        ASSERT_FALSE(isCurve(image(), x, 92)) << x;
    }
    // Point n is not part of the curve: the last column stays grid.
    EXPECT_FALSE(isCurve(image(), 1103, 90));
}

TEST_F(EqGraphPanelTest, BandAtOneKilohertzPeaksOnRowZero) {
    source.setBand(2, 0, 1000.0f, 12.0f, 1.41f);
    panel.redrawAll(1);
    panel.RedrawCurve(2, 1);

    EXPECT_EQ(markerAt(2), QPoint(644, -9));
    int top = 270;
    int topX = -1;
    for (int y = 0; y < 270 && topX < 0; ++y)
        for (int x = 0; x < 1104; ++x)
            if (isCurve(image(), x, y)) {
                top = y;
                topX = x;
                break;
            }
    EXPECT_EQ(top, 0);
    EXPECT_NEAR(topX, 652, 3);
    // The spline passes through the computed points on both flanks.
    const auto& r = panel.composer().response(2);
    for (int i : {233, 253, 263, 283, 293, 313}) {
        const int x = toPixel(i * static_cast<double>(static_cast<float>(1104.0 / 462)));
        const int y = toPixel(panel.geometry().YOfGain(r[static_cast<std::size_t>(i)]));
        EXPECT_TRUE(isCurve(image(), x, y)) << i;
    }

    QLabel* label = panel.valueLabel();
    EXPECT_EQ(label->text().split('\n'), (QStringList{"12.0dB", "Q:1.41", "1000.00Hz"}));
    EXPECT_EQ(label->y(), -9 + 18);  // below the marker
    EXPECT_EQ(label->x(), 644 - label->width() / 2 + 9);
}

TEST_F(EqGraphPanelTest, CutPutsTheLabelAboveItsMarker) {
    source.setBand(4, 0, 1000.0f, -6.0f, 1.0f);
    panel.redrawAll(1);
    panel.RedrawCurve(4, 1);
    const QPoint m = markerAt(4);
    EXPECT_EQ(m, QPoint(644, toPixel(panel.geometry().YOfGain(-6) - 9)));
    EXPECT_EQ(panel.valueLabel()->y(), m.y() - panel.valueLabel()->height() - 1);
    EXPECT_EQ(panel.valueLabel()->text().count('\n'), 2);
}

TEST_F(EqGraphPanelTest, RequestForBandTwentyOneDrawsNothing) {
    source.setBand(2, 0, 1000.0f, 12.0f);
    panel.redrawAll(1);
    panel.RedrawCurve(2, 1);
    const QImage before = image().copy();
    const QString labelText = panel.valueLabel()->text();
    const QPoint ep3 = markerAt(2);

    source.setBand(2, 0, 5000.0f, -12.0f);
    source.passed = true;
    panel.RedrawCurve(21, 1);
    EXPECT_EQ(image(), before);
    EXPECT_EQ(markerAt(2), ep3);
    EXPECT_EQ(panel.valueLabel()->text(), labelText);
    EXPECT_FALSE(panel.passLabel()->isVisibleTo(&panel));
}

TEST_F(EqGraphPanelTest, AuxiliaryChannelHidesMainMarkersAndOverlay) {
    source.passed = true;
    panel.redrawAll(1);
    EXPECT_TRUE(panel.passLabel()->isVisibleTo(&panel));

    FakeCurveSource aux = FakeCurveSource::flat(2);
    aux.passed = true;
    aux.setBand(2, 102, 100.0f, 0.0f);
    panel.setSource(&aux);
    panel.redrawAll(2);
    for (int i = 2; i <= 8; ++i) EXPECT_FALSE(panel.marker(i)->isVisibleTo(&panel)) << i;
    for (int i : {0, 1, kHighPassMarker, kLowPassMarker})
        EXPECT_TRUE(panel.marker(i)->isVisibleTo(&panel)) << i;
    EXPECT_FALSE(panel.passLabel()->isVisibleTo(&panel));
    EXPECT_EQ(markerAt(kHighPassMarker), QPoint(315, 90 - 12));  // on the 0 dB line

    panel.setSource(&source);
    panel.redrawAll(1);
    for (int i = 2; i <= 8; ++i) EXPECT_TRUE(panel.marker(i)->isVisibleTo(&panel)) << i;
}

TEST_F(EqGraphPanelTest, WithoutSourceOrWhileRefreshingNothingIsDrawn) {
    const QImage grid = image().copy();
    EqGraphPanel bare;
    bare.redrawAll(1);
    EXPECT_EQ(bare.graphImage(), grid);
    source.refresh = true;
    panel.redrawAll(1);
    EXPECT_EQ(image(), grid);
}

}  // namespace
}  // namespace vt
