// Device data commands and Bluetooth texts from the main window.
#include <QPushButton>

#include "window_fixture.h"

namespace vt::test {
namespace {

class DeviceCommands : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ui::LinkAccess link;
        link.linkState = [this] { return linkState; };
        link.awaitSave = [this] { ++saves; };
        link.sendBluetooth = [this](const QByteArray& p) { packets.push_back(p); };
        window->setLinkAccess(link);
    }
    void click(const char* name) { w<QPushButton>(name)->click(); }
    int saves = 0;
    std::vector<QByteArray> packets;
};

TEST_F(DeviceCommands, AskThenWriteOnlyWhileConnected) {
    for (const char* b : {"DeviceSaveBtn", "DeviceLoadBtn", "DeviceResetBtn"}) click(b);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(recorder.writes.empty());

    linkState = 2;
    dialogs.answers = {true, true, false, true};
    click("DeviceLoadBtn");
    click("DeviceResetBtn");
    click("DeviceSaveBtn");  // answered No
    click("DeviceSaveBtn");
    EXPECT_EQ(dialogs.asked, (std::vector<QString>{"Confirm|Restore settings ?",
                                                   "Confirm|Restore Factory settings ?",
                                                   "Confirm|Save Data ?", "Confirm|Save Data ?"}));
    EXPECT_EQ(recorder.writes, (std::vector<std::pair<int, int>>{{12, 0}, {12, 85}, {13, 0}}));
    EXPECT_EQ(saves, 1);
}

TEST_F(DeviceCommands, BluetoothPayloads) {
    w<QLineEdit>("BLUENameEdit")->setText("ABC");
    click("BLUENameBtn");
    w<QLineEdit>("BluePinEdit")->setText("123");
    click("BLUEPinBtn");  // refused
    w<QLineEdit>("BluePinEdit")->setText("1234");
    click("BLUEPinBtn");
    w<QLineEdit>("BLUENameEdit")->clear();
    click("BLUENameBtn");  // refused
    click("BleButton");    // an empty test text still goes out
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0], QByteArray("\x20\x06NA+ABC", 8));
    EXPECT_EQ(packets[1], QByteArray("\x20\x08PIN+1234", 10));
    EXPECT_EQ(packets[2], QByteArray("\x20\x00", 2));
    EXPECT_EQ(dialogs.asked,
              (std::vector<QString>{"Confirm|长度必须4位", "Confirm|请输入正确的名称"}));
}

}  // namespace
}  // namespace vt::test
