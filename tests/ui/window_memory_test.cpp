// What the window program remembers between runs: the position, kept when the window closes and
// used only while it is on a present screen; the preset folder; and forgetting both (only them).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QWidget>

#include "ui/window_memory.h"

namespace vt::ui {
namespace {

TEST(WindowMemory, RememberedPositionIsUsedOnlyOnAPresentScreen) {
    const QList<QRect> twoScreens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize size(1171, 678);
    struct Case {
        const char* name;
        std::optional<QPoint> remembered;
        QList<QRect> screens;
        std::optional<QPoint> used;
    };
    const std::vector<Case> cases = {
        {"nothing remembered", std::nullopt, twoScreens, std::nullopt},
        {"first screen", QPoint(100, 80), twoScreens, QPoint(100, 80)},
        {"second screen", QPoint(2000, 300), twoScreens, QPoint(2000, 300)},
        {"second screen unplugged", QPoint(2000, 300), {twoScreens[0]}, std::nullopt},
        {"title bar above the screen", QPoint(100, -20), twoScreens, std::nullopt},
        {"left of every screen", QPoint(-400, 80), twoScreens, std::nullopt},
        {"overhanging the screen edge, title bar on it",
         QPoint(1800, 80),
         {twoScreens[0]},
         QPoint(1800, 80)},
        {"no screens", QPoint(100, 80), {}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(usablePosition(c.remembered, size, c.screens), c.used) << c.name;
}

TEST(WindowMemory, KeepsPositionAndFolderAcrossRunsAndForgetsThem) {
    QTemporaryDir dir;
    const QString file = dir.filePath("vortella.conf");
    {
        QSettings settings(file, QSettings::IniFormat);
        WindowMemory memory(settings);
        EXPECT_FALSE(memory.position());
        EXPECT_TRUE(memory.presetFolder().isEmpty());

        QWidget window;
        window.resize(300, 200);
        new PositionKeeper(window, memory);
        window.move(40, 50);
        window.show();
        window.close();
        memory.rememberPresetFile(dir.filePath("presets/live.Nddt"));
        memory.rememberPresetFile("");        // a cancelled dialog keeps the folder
        settings.setValue("language", "zh");  // the language switch shares the file
    }
    QSettings settings(file, QSettings::IniFormat);
    WindowMemory memory(settings);
    EXPECT_EQ(memory.position(), QPoint(40, 50));
    EXPECT_EQ(memory.presetFolder(), dir.filePath("presets"));

    QWidget next;
    next.resize(300, 200);
    EXPECT_TRUE(restoreWindowPosition(next, memory));
    EXPECT_EQ(next.pos(), QPoint(40, 50));

    memory.forget();
    QSettings reread(file, QSettings::IniFormat);
    EXPECT_EQ(reread.allKeys(), QStringList{"language"}) << "only what --reset-settings names goes";
    EXPECT_EQ(reread.value("language").toString(), "zh");
    EXPECT_FALSE(WindowMemory(reread).position());
    EXPECT_TRUE(WindowMemory(reread).presetFolder().isEmpty());
    QWidget fresh;
    EXPECT_FALSE(restoreWindowPosition(fresh, WindowMemory(reread)));
}

}  // namespace
}  // namespace vt::ui
