// The compressor curve editor: writes, corrections and colours.
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QtTest/QTest>

#include "ui/compressor_editor.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

class CompressorTest : public WindowTest {
  protected:
    QSpinBox* spin(int n) { return w<QSpinBox>(qPrintable(QString("RzSpinEdit%1").arg(n))); }
    QLineSeries* curve() {
        auto* view = w<QChartView>("Chart1");
        for (auto* s : view->chart()->series())
            if (s->objectName() == "Series1") return static_cast<QLineSeries*>(s);
        return nullptr;
    }
};

TEST_F(CompressorTest, DefaultCurveIsWrittenFromTheLastPointOnly) {
    for (int s = 8; s <= 12; ++s) model.device.set(1, s, 0);
    model.device.set(1, 10, 41120);  // already in the unit: not written again
    window->compressor().setPoints(defaultCurve());
    window->compressor().CurvePoint(ui::kCurveApply);
    const std::vector<std::pair<int, int>> expected = {
        {268, 56797}, {267, 51400}, {265, 33410}, {264, 28270}};
    EXPECT_EQ(recorder.writes, expected);
}

TEST_F(CompressorTest, EditsAreShapedAndWritten) {
    spin(4)->setValue(21);  // point 2's output above its input + 20
    EXPECT_EQ(spin(4)->value(), -50);
    EXPECT_EQ(model.window.at(1, 9), 33430);
    ASSERT_FALSE(recorder.writes.empty());
    EXPECT_EQ(recorder.writes.back(), std::make_pair(265, 33430));

    spin(5)->setValue(10);  // point 3's input past point 4's
    EXPECT_EQ(spin(5)->value(), 0);

    spin(4)->setValue(-70);
    spin(8)->setValue(-100);  // point 4's output: point 3 follows, point 2 does not
    EXPECT_EQ(spin(2)->value(), -90);
    EXPECT_EQ(spin(4)->value(), -70);
    EXPECT_EQ(spin(6)->value(), -100);
    EXPECT_EQ(spin(8)->value(), -100);
    EXPECT_EQ(spin(10)->value(), 21);
}

TEST_F(CompressorTest, ShowModeCorrectsButDoesNotWrite) {
    model.window.set(1, 9, (130 << 8) | 255);  // input -70, output 55
    window->compressor().CurvePoint(ui::kCurveShow);
    EXPECT_EQ(spin(4)->value(), -50);
    EXPECT_EQ(model.window.at(1, 9), (130 << 8) | 255);
    EXPECT_TRUE(recorder.writes.empty());
}

TEST_F(CompressorTest, CurveColourFollowsTheOnOffBox) {
    auto* box = w<QComboBox>("RMSBox");
    box->setCurrentIndex(0);
    window->compressor().CurvePoint(ui::kCurveShow);
    EXPECT_EQ(curve()->pen().color(), QColor(150, 150, 150));
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(recorder.writes.back(), std::make_pair(260, 1));
    EXPECT_EQ(curve()->pen().color(), QColor(36, 197, 209));
}

TEST_F(CompressorTest, ResetAsksFirst) {
    spin(4)->setValue(-60);
    dialogs.answers = {false};
    window->compressor().RmsResetBtnClick();
    EXPECT_EQ(spin(4)->value(), -60);
    dialogs.answers = {true};
    window->compressor().RmsResetBtnClick();
    EXPECT_EQ(spin(4)->value(), -70);
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0], "Confirm|确定要复位动态压缩曲线?");
}

}  // namespace
}  // namespace vt::test
