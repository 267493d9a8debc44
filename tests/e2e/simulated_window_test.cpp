// The whole window program against the simulated unit: from start-up to "Device Connected",
// with the window showing the unit's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>

#include "../ui/window_fixture.h"
#include "devices/simulated_device.h"
#include "model/scales.h"
#include "ui/controller_app.h"
#include "ui/main_window.h"
#include "ui/status_dialog.h"

namespace vt::test {
namespace {

TEST(SimulatedWindow, StartsConnectsAndShowsTheUnit) {
    ScriptedDialogs dialogs;
    devices::HubOptions options;
    options.simulate = true;
    ui::ControllerApp app(options, dialogs);
    app.start();
    auto* label = app.mainWindow().findChild<QLabel*>("LinkLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == "Connecting ..."; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.statusDialog().isVisible(); }, 2000));
    EXPECT_EQ(app.statusDialog().labelText(), "Staus：Connecting ...");
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == "Device Connected"; }, 20000))
        << label->text().toStdString();
    EXPECT_EQ(app.mainWindow().windowTitle(),
              "KV Series DSP Control Software v3.4.3 Beta[Connected]");
    EXPECT_FALSE(app.statusDialog().isVisible());

    const auto& unit = app.hub().simulated()->unit();
    const int band1Freq = unit.image().at(1, 21);
    auto* freq = app.mainWindow().findChild<QLineEdit*>("MusFreEdit1");
    EXPECT_EQ(freq->text().toStdString(), std::string(frequencyText(band1Freq)));
    EXPECT_EQ(app.model().device.at(1, 21), band1Freq);

    // The volume pane follows the keep-alive answers.
    auto* volume = app.mainWindow().findChild<QLabel*>("SysMusNormalVolPane");
    const QString expected = QString::fromStdString(volumeText(unit.image().at(1, 1)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return volume->text() == expected; }, 6000));

    // A user edit reaches the unit.
    app.model().SendDatatoMCU(makeAddress(1, 22), 150);
    EXPECT_TRUE(QTest::qWaitFor([&] { return unit.image().at(1, 22) == 150; }, 6000));
    EXPECT_TRUE(dialogs.told.empty());
}

}  // namespace
}  // namespace vt::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
