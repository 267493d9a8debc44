// The language switch in the window: questions, message boxes and their captions follow it.
#include <QSignalSpy>
#include <QtTest/QTest>

#include "ui/compressor_editor.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

class LanguageSwitch : public WindowTest {
  protected:
    void switchLanguage() {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

TEST_F(LanguageSwitch, MessagesRaisedAfterASwitchUseTheNewLanguageAndCaption) {
    QSignalSpy switched(window.get(), &ui::MainWindow::languageSwitched);
    struct Case {
        int language;
        const char* resetQuestion;
        const char* restoreQuestion;
        const char* missingFile;
    };
    const Case cases[] = {
        {1, "提示|重置所有EQ参数?", "提示|恢复调整前参数?", "提示|文件不存在"},
        {0, "Confirm|Reset all EQ parameters?", "Confirm|Restore settings ?",
         "Confirm|File not find!"},
    };
    for (const Case& c : cases) {
        switchLanguage();
        ASSERT_EQ(window->language(), c.language);
        ASSERT_EQ(switched.takeLast().front().toInt(), c.language);

        window->ResetBtnClick();
        EXPECT_EQ(dialogs.asked.back(), c.resetQuestion);
        linkState = 2;
        QTest::mouseClick(w("DeviceLoadBtn"), Qt::LeftButton);
        EXPECT_EQ(dialogs.asked.back(), c.restoreQuestion);
        dialogs.openName = "/nonexistent/show.Nddt";
        window->LoadFileBtnClick();
        EXPECT_EQ(dialogs.told.back(), c.missingFile);
    }
    // Texts in one language only stay as they are; only the caption follows.
    window->setLanguage(1);
    window->compressor().RmsResetBtnClick();
    EXPECT_EQ(dialogs.asked.back(), "提示|确定要复位动态压缩曲线?");
}

}  // namespace
}  // namespace vt::test
