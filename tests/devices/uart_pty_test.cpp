// The serial path end to end over a real pseudo-terminal pair: the program's serial layer and
// device hub in UART mode on one end, the simulated unit on the other; the command-line program
// over the same kind of line. A port that another program owns is not opened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QProcess>
#include <QSignalSpy>
#include <algorithm>
#include <memory>

#include "devices/event_wait.h"
#include "devices/link_runtime.h"
#include "link/link_constants.h"
#include "link/recording_host.h"
#include "pty_bridge.h"

namespace vt::test {
using devices::runFor;
using devices::waitUntil;

namespace {

// The scan opens the port on the first connect tick and the read starts on the second; a loaded
// machine gets plenty of room beyond that.
constexpr int kConnectWaitMs = 15000;
constexpr int kAnswerWaitMs = 5000;

int keepAlivesHeard(const sim::SimulatedUnit& unit) {
    return static_cast<int>(std::count_if(
        unit.heard().begin(), unit.heard().end(), [](const sim::SimulatedUnit::Heard& h) {
            return h.address == link::kAddrSign && h.value == link::kSignKeepAlive;
        }));
}

class UartLink : public ::testing::Test {
  protected:
    // `before`: ports that the scan tries ahead of the pseudo-terminal.
    void startLink(const QStringList& before = {}) {
        ASSERT_TRUE(bridge.ok()) << "no pseudo-terminal";
        devices::HubOptions options;
        options.transport = TransportKind::Uart;
        options.port = before.isEmpty() ? bridge.portName() : before.first();
        options.extraPorts = before.mid(1) << bridge.portName();
        model.bindControls();
        runtime = std::make_unique<devices::LinkRuntime>(model, host, options);
        runtime->hub().start();
    }
    bool connected() { return runtime->link().linkState() == kConnected; }
    int readErrors() const {
        return static_cast<int>(
            std::count_if(host.history.begin(), host.history.end(),
                          [](const std::string& l) { return l.rfind("READ ERROR", 0) == 0; }));
    }

    PtyBridge bridge;
    ParameterModel model;
    RecordingHost host;
    std::unique_ptr<devices::LinkRuntime> runtime;  // goes first, before host and model
};

struct Delivery {
    const char* name;
    bool bytewise;
    bool noise;
    friend void PrintTo(const Delivery& d, std::ostream* os) { *os << d.name; }
};

class UartDelivery : public UartLink, public ::testing::WithParamInterface<Delivery> {};

TEST_P(UartDelivery, ConnectsReadsTheImageWritesAndKeepsAlive) {
    bridge.setBytewise(GetParam().bytewise);
    if (GetParam().noise) bridge.unit().faults().noiseShare = 1.0;
    startLink();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, kConnectWaitMs))
        << "link label: " << runtime->link().linkLabel().text.caption;

    const DeviceImage& unitImage = bridge.unit().image();
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            ASSERT_EQ(model.device.at(m, s), unitImage.at(m, s)) << "module " << m << " slot " << s;
    EXPECT_TRUE(host.memo.empty()) << "a frame arrived damaged: " << host.memo.front();

    model.SendDatatoMCU(makeAddress(kMainModule, 5), 300);
    ASSERT_TRUE(waitUntil([&] { return unitImage.at(kMainModule, 5) == 300; }, kAnswerWaitMs));

    const int polls = keepAlivesHeard(bridge.unit());
    ASSERT_TRUE(
        waitUntil([&] { return keepAlivesHeard(bridge.unit()) >= polls + 8; }, kAnswerWaitMs));
    EXPECT_TRUE(connected());
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
    EXPECT_FALSE(host.volumes.empty()) << "keep-alive answers carry the volume";
}

INSTANTIATE_TEST_SUITE_P(Line, UartDelivery,
                         ::testing::Values(Delivery{"whole_answers", false, false},
                                           Delivery{"one_byte_at_a_time", true, false},
                                           Delivery{"noise_between_frames", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UartLink, AWholePresetWriteReachesEverySlotOfModules1To3) {
    startLink();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, kConnectWaitMs));
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            model.device.set(m, s, 1000 + m * 100 + s);
    runtime->link().DisCheckWindow(kOpWriteImage);
    ASSERT_TRUE(waitUntil(
        [&] { return connected() && runtime->link().transferState().state == kTransferIdle; },
        kConnectWaitMs));
    const DeviceImage& unitImage = bridge.unit().image();
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            ASSERT_EQ(unitImage.at(m, s), 1000 + m * 100 + s) << "module " << m << " slot " << s;
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
}

TEST_F(UartLink, APortThatDoesNotOpenIsNamedAndTheScanMovesOn) {
    startLink({"/nonexistent/ttyVT0", "/nonexistent/ttyVT1"});
    ASSERT_TRUE(waitUntil([&] { return connected(); }, kConnectWaitMs));
    auto line = [&](const std::string& prefix) {
        return std::find_if(host.history.begin(), host.history.end(),
                            [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    };
    for (const char* port : {"/nonexistent/ttyVT0", "/nonexistent/ttyVT1"}) {
        const auto l = line(std::string("UART port ") + port + ": not opened: ");
        ASSERT_NE(l, host.history.end()) << port;
        EXPECT_GT(l->size(), std::string("UART port : not opened: ").size() + 20) << *l;
    }
    EXPECT_NE(line("UART port " + bridge.portName().toStdString() + ": opened"),
              host.history.end());
}

TEST_F(UartLink, TheUnitEndClosingClosesThePortOnceAndStopsTheLink) {
    startLink();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, kConnectWaitMs));

    bridge.closeUnitEnd();
    ASSERT_TRUE(waitUntil([&] { return runtime->link().linkState() == kNoDevice; }, kAnswerWaitMs));
    EXPECT_EQ(readErrors(), 1);
    EXPECT_EQ(runtime->link().linkLabel().text.caption, "Offline");
    ASSERT_NE(runtime->link().writer().transport(), nullptr);
    EXPECT_FALSE(runtime->link().writer().transport()->isOpen());
    EXPECT_FALSE(runtime->anyTimerActive());

    // Longer than a connect tick: a timer still running, or a dead port still raising events,
    // would show here.
    const auto labels = host.labels.size();
    const auto dialogs = host.dialogs.size();
    const auto history = host.history.size();
    runFor(1500);
    EXPECT_EQ(host.labels.size(), labels);
    EXPECT_EQ(host.dialogs.size(), dialogs);
    EXPECT_EQ(host.history.size(), history);
    EXPECT_EQ(readErrors(), 1);
}

// The port belongs to the program that opened it first: a second one, named the same port, is
// refused with this process as the owner (as root, which passes the port's exclusive mode, too),
// and takes the port once the first has closed it.
TEST_F(UartLink, ASecondOpenerOfThePortIsRefusedUntilTheFirstClosesIt) {
    startLink();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, kConnectWaitMs));

    ParameterModel otherModel;
    RecordingHost otherHost;
    devices::HubOptions options;
    options.transport = TransportKind::Uart;
    options.devicePath = bridge.portName();
    options.ownerRetry = std::chrono::milliseconds(100);
    otherModel.bindControls();
    auto other = std::make_unique<devices::LinkRuntime>(otherModel, otherHost, options);
    QSignalSpy owned(&other->hub(), &devices::DeviceHub::unitOwned);
    other->hub().start();
    ASSERT_TRUE(waitUntil([&] { return owned.count() > 0; }, kConnectWaitMs));
    EXPECT_EQ(owned.first().at(0).toString(), bridge.portName());
    EXPECT_EQ(owned.first().at(2).toLongLong(), ::getpid());
    EXPECT_EQ(other->link().linkState(), kNoDevice);
    EXPECT_TRUE(connected()) << "the owner keeps its link";
    auto opened = [&] {
        return std::any_of(otherHost.history.begin(), otherHost.history.end(),
                           [](const std::string& l) { return l.find(": opened") != l.npos; });
    };
    EXPECT_FALSE(opened());

    runtime.reset();  // the owner ends; the other takes the port on its next try
    EXPECT_TRUE(waitUntil(opened, kConnectWaitMs));
}

// With the line locked by another program, the command-line program says whose it is and the
// unit hears nothing; once it is free, a run goes through.
TEST(CliOverUart, AnOwnedPortIsLeftAloneAndNamesItsOwner) {
    PtyBridge bridge;
    ASSERT_TRUE(bridge.ok());
    const int lockFd = ::open(bridge.portName().toLocal8Bit().constData(),
                              O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
    auto dump = [&](QString& err) {
        QProcess cli;
        cli.start(VORTELLA_CLI_PATH, {"--lang", "en", "--transport", "uart", "--device",
                                      bridge.portName(), "--timeout", "10", "dump"});
        if (!waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30000)) return -1;
        err = QString::fromUtf8(cli.readAllStandardError());
        return cli.exitCode();
    };
    QString err;
    EXPECT_EQ(dump(err), 3);
    EXPECT_TRUE(err.contains("vortella-cli: connecting failed: the unit at " + bridge.portName() +
                             " is in use by another program (pid " + QString::number(::getpid()) +
                             ")\n"))
        << err.toStdString();
    EXPECT_FALSE(bridge.heardAnything());

    ::close(lockFd);
    EXPECT_EQ(dump(err), 0) << err.toStdString();
}

// The command-line program on a serial line: a write, then a dump that reads the unit again.
TEST(CliOverUart, SetThenDumpShowsTheValueTheUnitHolds) {
    PtyBridge bridge;
    ASSERT_TRUE(bridge.ok());
    QProcess cli;
    // English progress whatever language the machine's user chose last.
    cli.start(VORTELLA_CLI_PATH, {"--lang", "en", "--transport", "uart", "--port",
                                  bridge.portName(), "set", "0x0105", "300", "then", "dump"});
    ASSERT_TRUE(waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30000));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    ASSERT_EQ(cli.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(bridge.unit().image().at(kMainModule, 5), 300);
    EXPECT_TRUE(out.startsWith("{\"slots\":[[0,0,")) << out.left(80).toStdString();
    EXPECT_TRUE(out.contains("[1,5,300]")) << out.toStdString();
    EXPECT_TRUE(err.contains("link: Device Connected")) << err.toStdString();
}

}  // namespace
}  // namespace vt::test
