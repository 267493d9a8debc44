// Editing bands on the graph: marker drags, their limits, Q drags and the editor tick.
#include <QApplication>
#include <QMouseEvent>
#include <cmath>

#include "eq/eq_graph_panel.h"
#include "eq/marker_widget.h"
#include "model/scales.h"
#include "ui/marker_editor.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

class MarkerDrag : public WindowTest {
  protected:
    QWidget* marker(int index) { return window->graph().marker(index); }
    void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
              Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // Presses at the marker's centre, moves by (dx, dy) in one message, and releases.
    void drag(QWidget* m, int dx, int dy, Qt::MouseButton button = Qt::LeftButton) {
        const QPoint c(m->width() / 2, m->height() / 2);
        send(m, QEvent::MouseButtonPress, c, button, button);
        send(m, QEvent::MouseMove, c + QPoint(dx, dy), Qt::NoButton, button);
        send(m, QEvent::MouseButtonRelease, c + QPoint(dx, dy), button, Qt::NoButton);
    }
    void tick() { window->Timer1Timer(); }
};

TEST_F(MarkerDrag, DraggingABandMarkerWritesTheNearestFrequencyOnTheNextTick) {
    QWidget* ep3 = marker(2);
    const QPoint before = ep3->pos();
    recorder.writes.clear();
    drag(ep3, 40, 0);
    EXPECT_EQ(ep3->pos(), before + QPoint(40, 0));
    EXPECT_TRUE(recorder.writes.empty());  // the drag itself writes nothing
    tick();
    const auto& g = window->graph().geometry();
    const int half = ep3->height() / 2;
    const int expected =
        static_cast<int>(SnapToScale(kViewFreq, std::round(g.FrequencyOfX(ep3->x() + half))));
    EXPECT_EQ(text("MusFreEdit3"), QString::fromStdString(std::string(frequencyText(expected))));
    ASSERT_FALSE(recorder.writes.empty());
    EXPECT_EQ(recorder.writes.front(), std::make_pair(256 + 31, expected));
    // The tick redrew band 3: its marker stands on its new frequency.
    EXPECT_NEAR(ep3->x() + half, g.XOfFrequency(frequencyValue(expected)), 2.0);
}

TEST_F(MarkerDrag, LimitsOfTheGraph) {
    QWidget* ep1 = marker(0);
    drag(ep1, 5000, -5000);
    EXPECT_EQ(ep1->x(), 1073);
    EXPECT_EQ(ep1->y(), -9);
    tick();
    EXPECT_EQ(model.window.at(1, 21), 361);  // beyond 20600 Hz: the last table entry
    EXPECT_EQ(model.window.at(1, 22), 180);  // above the top: +12 dB

    drag(ep1, -5000, 5000);
    EXPECT_EQ(ep1->x(), 82);
    EXPECT_EQ(ep1->y(), 261);
    tick();
    EXPECT_EQ(model.window.at(1, 21), 0);  // 19 Hz snaps to the first table entry
    EXPECT_EQ(model.window.at(1, 22), 0);  // below the bottom: -24 dB

    QWidget* hp = marker(9);
    const int top = hp->y();
    drag(hp, 5000, 200);  // filters move sideways only
    EXPECT_EQ(hp->x(), 1070);
    EXPECT_EQ(hp->y(), top);
}

TEST_F(MarkerDrag, RightDragStepsQ) {
    QWidget* ep2 = marker(1);
    const QPoint c(9, 9);
    send(ep2, QEvent::MouseButtonPress, c, Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(window->markerEditor().qDrag());
    send(ep2, QEvent::MouseMove, c + QPoint(2, 0), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(text("MusQEdit2"), "1.00");
    send(ep2, QEvent::MouseMove, c + QPoint(3, 0), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(text("MusQEdit2"), "1.06");
    send(ep2, QEvent::MouseMove, c + QPoint(-1, 0), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(text("MusQEdit2"), "1.00");
    send(ep2, QEvent::MouseButtonRelease, c, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(window->markerEditor().qDrag());

    QWidget* lp = marker(10);
    send(lp, QEvent::MouseButtonPress, c, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(window->markerEditor().qDrag());
    EXPECT_FALSE(window->markerEditor().markerDrag());
}

}  // namespace
}  // namespace vt::test
