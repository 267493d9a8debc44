// The preset file buttons: save, load back, and damaged or missing files.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "window_fixture.h"

namespace vt::test {
namespace {

class PresetButtons : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ui::LinkAccess link;
        link.writeImage = [this] { ++imageWrites; };
        window->setLinkAccess(link);
    }
    QTemporaryDir dir;
    int imageWrites = 0;
};

TEST_F(PresetButtons, SaveThenLoadPutsTheImageBackAndWritesIt) {
    model.device.set(1, 21, 288);
    dialogs.saveName = dir.filePath("show");
    window->SaveFileBtnClick();
    const QString file = dir.filePath("show.Nddt");
    ASSERT_TRUE(QFile::exists(file));
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_EQ(dialogs.told[0], "information| 预设成功保存在" + QDir::toNativeSeparators(file));

    model.device.set(1, 21, 5);
    dialogs.openName = file;
    window->LoadFileBtnClick();
    EXPECT_EQ(model.device.at(1, 21), 288);
    EXPECT_EQ(imageWrites, 1);
    EXPECT_EQ(dialogs.told.size(), 1u);
}

TEST_F(PresetButtons, DamagedOrMissingFilesChangeNothing) {
    dialogs.saveName = dir.filePath("good.Nddt");
    window->SaveFileBtnClick();
    QFile good(dir.filePath("good.Nddt"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = good.readAll().split('\n');
    lines.removeAt(40);  // one data line deleted
    QFile bad(dir.filePath("bad.Nddt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(lines.join('\n'));
    bad.close();

    const auto before = model.device;
    dialogs.told.clear();
    dialogs.openName = dir.filePath("bad.Nddt");
    window->LoadFileBtnClick();
    dialogs.openName = dir.filePath("missing.Nddt");
    window->LoadFileBtnClick();
    dialogs.openName.clear();  // cancelled
    window->LoadFileBtnClick();
    EXPECT_EQ(model.device, before);
    EXPECT_EQ(imageWrites, 0);
    EXPECT_EQ(dialogs.told,
              (std::vector<QString>{"Confirm|Data file is corrupted!", "Confirm|File not find!"}));
}

}  // namespace
}  // namespace vt::test
