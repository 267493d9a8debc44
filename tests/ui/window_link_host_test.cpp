// The link's host on the windows: the link label and its hint, the status dialog and the
// history list that follows the link's bounded history.
#include <QListWidget>

#include "ui/link_window.h"
#include "ui/status_dialog.h"
#include "ui/window_link_host.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

class HostTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        statusDialog = std::make_unique<ui::StatusDialog>(window.get());
        linkHost =
            std::make_unique<ui::WindowLinkHost>(*window, *statusDialog, linkWindow, dialogs);
    }
    void TearDown() override {
        linkHost.reset();
        statusDialog.reset();
    }
    QLabel* label() { return w<QLabel>("LinkLabel"); }

    ui::LinkWindow linkWindow;
    std::unique_ptr<ui::StatusDialog> statusDialog;
    std::unique_ptr<ui::WindowLinkHost> linkHost;
};

TEST_F(HostTest, LinkLabelCaptionHintAndColour) {
    linkHost->linkLabelChanged({{"Connecting ...", "连接中..."}, {0, 227, 0}});
    EXPECT_EQ(label()->text(), "Connecting ...");
    EXPECT_EQ(label()->toolTip(), "连接中...");
    EXPECT_TRUE(label()->styleSheet().contains("rgb(0,227,0)"));

    // A unit that cannot be opened explains itself in the hint while the label says "Offline".
    linkHost->setAccessHint("install the udev rule");
    linkHost->linkLabelChanged({{"Offline", "连接中..."}, {242, 242, 242}});
    EXPECT_EQ(label()->toolTip(), "install the udev rule");
    linkHost->linkLabelChanged({{"Connecting ...", "连接中..."}, {0, 227, 0}});
    EXPECT_EQ(label()->toolTip(), "连接中...");
    linkHost->linkLabelChanged({{"Offline", "连接中..."}, {242, 242, 242}});
    EXPECT_EQ(label()->toolTip(), "连接中...");  // the hint went with the problem
}

TEST_F(HostTest, StatusDialogFollowsTheLink) {
    linkHost->statusDialogChanged({{"Staus：Connecting ...", "状态：Connecting ..."}, 33, true});
    EXPECT_TRUE(statusDialog->isVisible());
    EXPECT_EQ(statusDialog->labelText(), "Staus：Connecting ...");
    EXPECT_EQ(statusDialog->percent(), 33);
    linkHost->statusDialogChanged({{"Staus：Connecting ...", ""}, 133, false});
    EXPECT_FALSE(statusDialog->isVisible());
    EXPECT_EQ(statusDialog->percent(), 133);
}

TEST_F(HostTest, HistoryDropsWhatTheLinkDropped) {
    for (int i = 0; i < 5; ++i) linkHost->historyLineAdded("W 01  " + std::to_string(i), 0);
    linkHost->historyLineAdded("W 01  5", 2);
    QListWidget* list = linkWindow.history();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "W 01  2");
    EXPECT_EQ(list->item(3)->text(), "W 01  5");
    linkHost->historyLineAdded("W 01  6", 99);  // more than it holds: never past the start
    EXPECT_EQ(linkWindow.history()->count(), 1);
    linkHost->showReportId("01");
    EXPECT_EQ(linkWindow.findChild<QLineEdit*>("ReportID")->text(), "01");
}

// Hidden, the window keeps its lines aside; the drops between take the widget's own lines
// first, then the waiting ones, and showing it shows the newest lines in order.
TEST_F(HostTest, HiddenHistoryDropsTheOldestWhereverTheyWait) {
    auto add = [this](int i, std::size_t dropped) {
        linkHost->historyLineAdded("L" + std::to_string(i), dropped);
    };
    for (int i = 0; i < 3; ++i) add(i, 0);
    ASSERT_EQ(linkWindow.history()->count(), 3);  // reading the list takes the waiting lines
    for (int i = 3; i < 6; ++i) add(i, 0);
    add(6, 4);  // L0..L2 from the widget, then L3 from the waiting lines
    add(7, 1);  // L4
    linkWindow.show();
    QListWidget* list = linkWindow.history();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "L5");
    EXPECT_EQ(list->item(2)->text(), "L7");
    EXPECT_EQ(list->currentRow(), 2);
    linkWindow.hide();
}

}  // namespace
}  // namespace vt::test
