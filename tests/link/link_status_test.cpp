// The status routine, the bilingual caption setter and the bounded history list.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/link_fixture.h"

namespace vt {
namespace {

using LinkStatus = test::LinkOnStubs;

TEST(BilingualCaption, TheFlagChoosesCaptionAndHint) {
    struct Case {
        int flag;
        const char* caption;
        const char* hint;
    };
    for (const Case c :
         {Case{0, "Connecting ...", "连接中..."}, Case{1, "连接中...", "Connecting ..."},
          Case{2, "Connecting ...", "连接中..."}}) {
        Caption label;
        SetBilingualCaption(label, c.flag, "Connecting ...", "连接中...");
        EXPECT_EQ(label, (Caption{c.caption, c.hint})) << c.flag;
    }
}

TEST_F(LinkStatus, ProgressRepeatsTheLinkLabelInTheDialogInTheChosenLanguage) {
    struct Case {
        int flag;
        const char* label;
        const char* dialog;
        const char* dialogHint;
    };
    for (const Case c : {Case{0, "Connecting ...", "Staus：Connecting ...", "状态：Connecting ..."},
                         Case{1, "连接中...", "状态：连接中...", "Staus：连接中..."}}) {
        link.setLanguage(c.flag);
        link.setLinkLabel(texts::kConnecting);
        link.ShowLinkStatus(2, link.linkLabel().text.caption, 40);
        EXPECT_EQ(link.linkLabel().text.caption, c.label);
        EXPECT_EQ(link.linkLabel().colour, texts::kColourBusy);
        EXPECT_EQ(link.statusDialog().label.caption, c.dialog);
        // Both prefixes go with the label's text as shown.
        EXPECT_EQ(link.statusDialog().label.hint, c.dialogHint);
        EXPECT_EQ(link.statusDialog().percent, 40);
        EXPECT_TRUE(link.statusDialog().visible);
        EXPECT_EQ(host.dialogs.back(), link.statusDialog());
    }
}

TEST(TextPairs, EveryPairHasBothTexts) {
    for (const TextPair* pair : texts::kAllPairs) {
        EXPECT_FALSE(pair->english.empty()) << pair->chinese;
        EXPECT_FALSE(pair->chinese.empty()) << pair->english;
        // The Chinese text is written in Chinese: it holds characters beyond ASCII.
        EXPECT_TRUE(std::any_of(pair->chinese.begin(), pair->chinese.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x80;
        })) << pair->english;
    }
}

TEST_F(LinkStatus, ALiveSwitchRelabelsTheLinkLabelAndTheDialog) {
    link.setLinkLabel(texts::kConnecting);
    link.ShowLinkStatus(2, link.linkLabel().text.caption, 40);
    const std::size_t labels = host.labels.size();
    link.setLanguage(1);
    EXPECT_EQ(link.linkLabel().text, (Caption{"连接中...", "Connecting ..."}));
    EXPECT_EQ(host.labels.size(), labels + 1);
    EXPECT_EQ(host.labels.back(), link.linkLabel());
    EXPECT_EQ(host.dialogs.back().label, (Caption{"状态：连接中...", "Staus：连接中..."}));
    EXPECT_TRUE(host.dialogs.back().visible);
    EXPECT_EQ(host.dialogs.back().percent, 40);
    link.setLanguage(0);
    EXPECT_EQ(link.linkLabel().text, (Caption{"Connecting ...", "连接中..."}));
    EXPECT_EQ(host.dialogs.back().label.caption, "Staus：Connecting ...");

    // A single text (the offline kind) stays as it is; the hint keeps what it had.
    link.ShowLinkStatus(0, texts::kOffline);
    const LinkLabel offline = link.linkLabel();
    link.setLanguage(1);
    EXPECT_EQ(link.linkLabel(), offline);
}

TEST_F(LinkStatus, KindsSetStateColourTimersAndDialog) {
    // Kind 3 hides the dialog even if it was never shown.
    link.ShowLinkStatus(3, "", 133);
    EXPECT_FALSE(link.statusDialog().visible);
    EXPECT_EQ(link.statusDialog().percent, 133);
    EXPECT_EQ(link.linkLabel().colour, texts::kColourFinished);

    link.ShowLinkStatus(1, "");
    EXPECT_EQ(link.linkState(), kPresent);
    EXPECT_EQ(link.linkLabel().colour, texts::kColourBusy);

    // Kind 0 sets one text for both languages and leaves the hint as it was.
    link.setLinkLabel(texts::kDeviceConnected);
    hold.active = connect.active = transfer.active = true;
    link.ShowLinkStatus(0, texts::kOffline);
    EXPECT_EQ(link.linkLabel().text, (Caption{"Offline", "设备已连接"}));
    EXPECT_EQ(link.linkLabel().colour, texts::kColourOffline);
    EXPECT_EQ(link.linkState(), kNoDevice);
    EXPECT_FALSE(hold.active || connect.active || transfer.active);
    EXPECT_EQ(host.labels.back(), link.linkLabel());
}

TEST_F(LinkStatus, HistoryKeepsTheNewest5000Lines) {
    for (int i = 0; i < 5003; ++i) link.addToHistory("line " + std::to_string(i));
    EXPECT_EQ(link.history().size(), 5000u);
    EXPECT_EQ(link.history().lines().front(), "line 3");
    EXPECT_EQ(link.history().lines().back(), "line 5002");
    EXPECT_EQ(host.historyDropped, 3u);  // the window drops the same lines
}

TEST_F(LinkStatus, FrameWritesReachTheHistoryAndTheReportIdBox) {
    link.writer().PCtoMCUAckSign(0x66);
    ASSERT_EQ(host.history.size(), 1u);
    EXPECT_EQ(host.history[0].substr(0, 31), "WW 01  01 57 06 A7 00 3A 00 66 ");
    EXPECT_EQ(host.reportId, "01");
}

}  // namespace
}  // namespace vt
