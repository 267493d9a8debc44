// The real HID path against a node the kernel serves: hidapi opens a FUSE hidraw node with the
// simulated unit behind it, the report lengths come from the descriptor it serves, and the
// command-line program connects, dumps, sets, loads a preset, loses the unit in the middle of a
// load and finds it again after a replug; a unit that another program owns is left alone.
// Skips, saying why, where FUSE cannot be mounted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>

#include "devices/event_wait.h"
#include "devices/hid_access.h"
#include "devices/link_runtime.h"
#include "fuse_hidraw.h"
#include "link/recording_host.h"
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

// The unit belongs to the program that locked its node first; the others never write to it. One
// descriptor shows it.
class OwnedNode : public ServedNode {
  protected:
    void TearDown() override {
        unlockNode();
        ServedNode::TearDown();
    }
    // Locks the node as another program would, from this test process.
    bool lockNode() {
        m_lockFd = ::open(node->path().c_str(), O_RDONLY | O_CLOEXEC);
        return m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
    }
    void unlockNode() {
        if (m_lockFd >= 0) ::close(m_lockFd);
        m_lockFd = -1;
    }
    // A hub and link on the node, as the window has them (an owned unit is tried again).
    std::unique_ptr<devices::LinkRuntime> runtime(ParameterModel& model, RecordingHost& host) {
        devices::HubOptions options;
        options.devicePath = path();
        options.ownerRetry = std::chrono::milliseconds(100);
        model.bindControls();
        return std::make_unique<devices::LinkRuntime>(model, host, options);
    }

    int m_lockFd = -1;
};

TEST_P(OwnedNode, TheCommandLineIsRefusedNamingTheOwnerWritesNothingAndRunsOnceItIsFree) {
    ASSERT_TRUE(lockNode()) << std::strerror(errno);
    QString err;
    EXPECT_EQ(cli({"dump"}, nullptr, &err), 3);
    EXPECT_TRUE(err.contains("vortella-cli: connecting failed: the unit at " + path() +
                             " is in use by another program (pid " + QString::number(::getpid()) +
                             ")\n"))
        << err.toStdString();
    EXPECT_EQ(node->reportsWritten(), 0u);

    unlockNode();
    EXPECT_EQ(cli({"dump"}, nullptr, &err), 0) << err.toStdString();
    EXPECT_GT(node->reportsWritten(), 0u);
}

TEST_P(OwnedNode, ASecondHubIsRefusedWhileTheFirstHoldsTheUnitAndTakesItWhenItEnds) {
    ParameterModel firstModel, secondModel;
    RecordingHost firstHost, secondHost;
    auto first = runtime(firstModel, firstHost);
    first->hub().start();
    ASSERT_TRUE(devices::waitUntil([&] { return first->link().linkState() == kConnected; }, 15000));

    auto second = runtime(secondModel, secondHost);
    QSignalSpy owned(&second->hub(), &devices::DeviceHub::unitOwned);
    second->hub().start();
    ASSERT_TRUE(devices::waitUntil([&] { return owned.count() > 0; }, 10000));
    EXPECT_EQ(owned.first().at(0).toString(), path());
    EXPECT_EQ(owned.first().at(2).toLongLong(), ::getpid());
    devices::runFor(500);  // retries that find the same owner say nothing new
    EXPECT_EQ(owned.count(), 1);
    EXPECT_EQ(second->hub().currentDevice(), nullptr);
    EXPECT_EQ(second->link().writer().transport(), nullptr);
    EXPECT_EQ(second->link().linkState(), kNoDevice);
    EXPECT_EQ(first->link().linkState(), kConnected);

    first.reset();  // the program that owned the unit ends
    ASSERT_TRUE(devices::waitUntil([&] { return second->link().linkState() == kConnected; }, 15000))
        << "link label: " << second->link().linkLabel().text.caption;
}

// `serve` owns the node: the command line goes through it, a pulled unit fails its writes, and the
// node is free once serve ends.
TEST_P(OwnedNode, ServeOwnsTheNodeAndServesTheCommandLine) {
    QTemporaryDir run;  // a runtime folder of the test's own (0700)
    ASSERT_TRUE(run.isValid());
    const QString runtimeDir = run.path();
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
    QProcess serve;
    serve.start(VORTELLA_CLI_PATH, {"--device", path(), "--timeout", "5", "serve"});
    const QString socket = runtimeDir + "/vortella/control";
    const bool listening = QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000);
    auto finish = [&] {
        serve.terminate();
        serve.waitForFinished(10000);
        qputenv("XDG_RUNTIME_DIR", previous);
    };
    if (!listening) {
        finish();
        FAIL() << "serve did not listen: " << serve.readAllStandardError().toStdString();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return node->reportsWritten() > 0; }, 10000));
    EXPECT_FALSE(lockNode()) << "serve holds the node";
    unlockNode();

    QString out, err;
    EXPECT_EQ(cli({"set", "0x0105", "310", "then", "dump"}, &out, &err), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("through the control service of vortella-cli serve"))
        << err.toStdString();
    EXPECT_TRUE(out.contains("[1,5,310]"));
    EXPECT_EQ(node->unitValue(0x0105), 310);

    // Pulled, the unit is away: serve says so and a write fails as it would on a link of one's own.
    // (Its return is a udev event, which a node served from user space does not raise; the
    // simulated unit shows the reconnection in the service tests.)
    node->pull();
    EXPECT_EQ(cli({"set", "0x0105", "311"}, nullptr, &err), 3) << err.toStdString();
    EXPECT_TRUE(err.contains("through the control service")) << err.toStdString();

    finish();
    EXPECT_EQ(serve.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(serve.exitCode(), 0) << serve.readAllStandardError().toStdString();
    node->plug();
    EXPECT_TRUE(lockNode()) << "the node is free once serve ends: " << std::strerror(errno);
}

INSTANTIATE_TEST_SUITE_P(Descriptor, OwnedNode, ::testing::Values(Variant{"numbered65", 64, true}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Descriptors, ServedNode,
                         ::testing::Values(Variant{"numbered65", 64, true},
                                           Variant{"numbered64", 63, true},
                                           Variant{"unnumbered65", 64, false},
                                           Variant{"unnumbered64", 63, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt::test
