// The real HID path against a node the kernel serves: hidapi opens a FUSE hidraw node with the
// simulated unit behind it, the report lengths come from the descriptor it serves, and the
// command-line program connects, dumps, sets, loads a preset, loses the unit in the middle of a
// load and finds it again after a replug. Skips, saying why, where FUSE cannot be mounted.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>

#include "devices/hid_access.h"
#include "fuse_hidraw.h"
#include "model/shadow_images.h"
#include "presets/preset_codec.h"

namespace vt::test {
namespace {

struct Variant {
    const char* name;
    int dataBytes;
    bool numbered;
};

class ServedNode : public ::testing::TestWithParam<Variant> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        FuseHidrawOptions options;
        options.descriptor = unitDescriptor(GetParam().dataBytes, GetParam().numbered);
        options.unitReportLength = reportLength();
        node = std::make_unique<FuseHidraw>(dir.path().toStdString(), "hidraw-unit", options);
        if (!node->isMounted()) GTEST_SKIP() << "skipped: " << node->why();
    }
    void TearDown() override { node.reset(); }
    // Every report the program writes: the descriptor's data bytes and the ID byte in front.
    int reportLength() const { return GetParam().dataBytes + 1; }
    QString path() const { return QString::fromStdString(node->path()); }

    // Runs the command-line program on the node; returns its exit status.
    int cli(const QStringList& words, QString* out = nullptr, QString* err = nullptr,
            int timeoutMs = 30000) {
        QProcess p;
        p.start(VORTELLA_CLI_PATH,
                QStringList{"--device", path(), "--timeout", "10", "--lang", "en"} + words);
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }

    QTemporaryDir dir;
    std::unique_ptr<FuseHidraw> node;
};

TEST_P(ServedNode, HidapiOpensItWithTheServedReportLengths) {
    devices::HidDevice device({node->path(), 0x0483, 0x690E, "Served unit", ""});
    ASSERT_TRUE(device.isOpen()) << device.openError().toStdString();
    EXPECT_EQ(device.lengthNote(), "");
    EXPECT_EQ(device.outputReportLength(1), reportLength());
    // One handle for the reader and one for writes; the descriptor's own is closed again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return node->openHandles() == 2; }, 2000))
        << node->openHandles();
}

TEST_P(ServedNode, ConnectsDumpsAndSetsThroughTheNode) {
    QString out, err;
    ASSERT_EQ(cli({"set", "0x0105", "300", "then", "dump"}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(node->unitValue(0x0105), 300);
    EXPECT_TRUE(out.contains("[1,5,300]")) << out.left(200).toStdString();
    const auto lengths = node->writeLengths();
    ASSERT_FALSE(lengths.empty());
    for (std::size_t n : lengths) EXPECT_EQ(n, static_cast<std::size_t>(reportLength()));
}

TEST_P(ServedNode, APullInTheMiddleOfALoadEndsItAndAReplugServesAgain) {
    DeviceImage file;
    for (int slot = 0; slot < 60; ++slot) file.set(1, slot, 100 + slot);
    const QString preset = dir.filePath("../load.Nddt");
    {
        std::ofstream(preset.toStdString(), std::ios::binary)
            << presets::presetFileText(presets::savePresetLines(file, 0));
    }
    ASSERT_EQ(cli({"load", preset}), 0);
    EXPECT_EQ(node->unitValue(0x0105), 105);

    // Again, and the unit goes away after a few of the image's packets.
    QProcess load;
    load.start(VORTELLA_CLI_PATH, {"--device", path(), "--timeout", "10", "load", preset});
    const int before = node->unitImagePackets();
    ASSERT_TRUE(QTest::qWaitFor([&] { return node->unitImagePackets() >= before + 3; }, 20000));
    node->pull();
    ASSERT_TRUE(load.waitForFinished(30000));
    EXPECT_EQ(load.exitCode(), 3) << load.readAllStandardError().toStdString();

    QString err;
    EXPECT_EQ(cli({"dump"}, nullptr, &err, 30000), 3) << "a pulled unit cannot answer";
    node->plug();
    EXPECT_EQ(cli({"dump"}, nullptr, &err), 0) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Descriptors, ServedNode,
                         ::testing::Values(Variant{"numbered65", 64, true},
                                           Variant{"numbered64", 63, true},
                                           Variant{"unnumbered65", 64, false},
                                           Variant{"unnumbered64", 63, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt::test
