// The HID device over scripted handles: reads on the reader thread and writes on the test's
// thread never overlap on a handle, a transient read error is retried, a removed device or a
// lasting failure ends the reader with the real error text, reports of an unnumbered device get
// report ID 0 in front.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <functional>
#include <thread>

#include "devices/event_wait.h"
#include "devices/hid_access.h"
#include "devices/read_retry.h"

namespace vt::test {
namespace {

using devices::IoResult;
using devices::waitUntil;

// A handle that, like hidapi's, keeps one error text that every call rewrites; it notes any call
// that starts while another is running.
class ScriptedIo : public devices::HidIo {
  public:
    // Called for read number n (from 0); the default is a timeout with nothing read.
    std::function<IoResult(int n, std::span<std::uint8_t>)> onRead;
    std::atomic<bool> overlapped{false};
    std::atomic<int> reads{0};
    std::atomic<int> writes{0};

    IoResult read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        Call call(*this);
        const int n = reads++;
        if (onRead) return keep(onRead(n, buffer));
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 2)));
        return keep({0, 0, {}});
    }
    IoResult write(std::span<const std::uint8_t> report) override {
        Call call(*this);
        ++writes;
        return keep({static_cast<int>(report.size()), 0, {}});
    }

  private:
    struct Call {
        explicit Call(ScriptedIo& io) : m_io(io) {
            if (m_io.m_inCall.fetch_add(1) != 0) m_io.overlapped = true;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        ~Call() { --m_io.m_inCall; }
        ScriptedIo& m_io;
    };
    IoResult keep(IoResult r) {
        m_errorText = r.text;  // unguarded on purpose: overlapping calls race here
        return r;
    }
    std::atomic<int> m_inCall{0};
    std::string m_errorText;
};

struct Opened {
    ScriptedIo* io;       // the reader's handle
    ScriptedIo* writeIo;  // the handle writes go to
    std::unique_ptr<devices::HidDevice> device;
    std::vector<QByteArray> reports;
    std::vector<std::pair<QString, quint32>> errors;
};

std::unique_ptr<Opened> open(std::function<IoResult(int, std::span<std::uint8_t>)> onRead,
                             std::optional<ReportLengths> lengths = std::nullopt) {
    auto o = std::make_unique<Opened>();
    auto io = std::make_unique<ScriptedIo>();
    auto writeIo = std::make_unique<ScriptedIo>();
    io->onRead = std::move(onRead);
    o->io = io.get();
    o->writeIo = writeIo.get();
    o->device =
        std::make_unique<devices::HidDevice>(HidDeviceInfo{"scripted:hid", 0x0483, 0x690E, "", ""},
                                             std::move(io), std::move(writeIo), std::move(lengths));
    Opened* raw = o.get();
    QObject::connect(raw->device.get(), &devices::HidDevice::reportReceived,
                     [raw](const QByteArray& r) { raw->reports.push_back(r); });
    QObject::connect(raw->device.get(), &devices::HidDevice::readError,
                     [raw](const QString& t, quint32 c) { raw->errors.emplace_back(t, c); });
    return o;
}

IoResult report(std::span<std::uint8_t> buffer, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return {static_cast<int>(bytes.size()), 0, {}};
}

TEST(HidDevice, WritesAndReadsNeverOverlapOnAHandle) {
    auto o = open({});
    const std::vector<std::uint8_t> frame(65, 0x01);
    // Writes come in a tight stream while the reader keeps reading: each on its own handle.
    QElapsedTimer clock;
    clock.start();
    while ((o->writeIo->writes < 300 || o->io->reads < 50) && clock.elapsed() < 20000) {
        ASSERT_TRUE(o->device->write(frame).ok);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_GE(o->io->reads, 50);
    EXPECT_EQ(o->io->writes, 0);
    EXPECT_EQ(o->writeIo->reads, 0);
    EXPECT_FALSE(o->io->overlapped);
    EXPECT_FALSE(o->writeIo->overlapped);
}

// The reader waits in its read call; stopping the device ends that wait (it is interrupted, not
// left to run out), and the reader leaves without reporting an error.
TEST(HidDevice, StoppingInterruptsTheReadersWait) {
    std::atomic<int> interrupted{0};
    auto o = open([&interrupted](int, std::span<std::uint8_t>) -> IoResult {
        timespec rest{30, 0};  // as poll() waiting for a report that does not come
        if (::nanosleep(&rest, &rest) != 0) {
            ++interrupted;
            return {-1, EINTR, "Interrupted system call"};
        }
        return {0, 0, {}};
    });
    ASSERT_TRUE(waitUntil([&] { return o->io->reads >= 1; }, 2000));
    o->device.reset();
    EXPECT_EQ(interrupted, 1);
    EXPECT_TRUE(o->errors.empty());
}

TEST(HidDevice, ATransientReadErrorIsRetriedAndReadingGoesOn) {
    auto o = open([](int n, std::span<std::uint8_t> b) -> IoResult {
        if (n == 1 || n == 2) return {-1, EIO, "Input/output error"};
        if (n == 0 || n == 3) return report(b, {0x01, 0x57, static_cast<std::uint8_t>(n)});
        return {0, 0, {}};
    });
    ASSERT_TRUE(waitUntil([&] { return o->reports.size() == 2; }, 5000));
    devices::runFor(2 * devices::ReadRetry::kGiveUpAfter.count());
    EXPECT_TRUE(o->errors.empty());
    EXPECT_FALSE(o->device->readerStopped());
    EXPECT_EQ(o->reports[1].toHex(' '), "01 57 03");
}

TEST(HidDevice, ALastingFailureOrARemovedDeviceEndsTheReaderWithTheRealText) {
    struct Case {
        const char* name;
        int code;
        const char* text;
        bool atOnce;
    } cases[] = {{"lasting failure", EIO, "Input/output error", false},
                 {"removed device", ENODEV, "No such device", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto o = open([&c](int, std::span<std::uint8_t>) -> IoResult {
            return {-1, c.code, c.text};
        });
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(waitUntil([&] { return !o->errors.empty(); }, 5000));
        const auto took = clock.elapsed();
        EXPECT_TRUE(o->device->readerStopped());
        ASSERT_EQ(o->errors.size(), 1u);
        EXPECT_EQ(o->errors[0].first.toStdString(), c.text);
        EXPECT_EQ(o->errors[0].second, static_cast<quint32>(c.code));
        if (c.atOnce) {
            EXPECT_EQ(o->io->reads, 1);
        } else {
            EXPECT_GE(took, devices::ReadRetry::kGiveUpAfter.count());
            EXPECT_GE(o->io->reads, 3);
        }
    }
}

// Whatever a device without report IDs puts first, the frame header reaches the link at byte 1.
TEST(HidDevice, ReportsOfADeviceWithoutReportIdsKeepTheHeaderAtByte1) {
    ReportLengths unnumbered;
    unnumbered.input[0] = 64;
    unnumbered.output[0] = 64;
    const struct {
        std::vector<std::uint8_t> data;
        const char* delivered;
    } cases[] = {
        {{0x01, 0x57, 0x11}, "01 57 11"},  // its data starts with the ID byte it was sent
        {{0x57, 0x11}, "00 57 11"},        // bare frame: 0 stands for the absent ID
    };
    for (const auto& c : cases) {
        auto o = open(
            [&c](int n, std::span<std::uint8_t> b) -> IoResult {
                if (n != 0) return IoResult{0, 0, {}};
                std::copy(c.data.begin(), c.data.end(), b.begin());
                return IoResult{static_cast<int>(c.data.size()), 0, {}};
            },
            unnumbered);
        ASSERT_TRUE(waitUntil([&] { return !o->reports.empty(); }, 5000));
        EXPECT_EQ(o->reports[0].toHex(' '), c.delivered);
        EXPECT_EQ(o->device->outputReportLength(0x02), 64);
    }
}

}  // namespace
}  // namespace vt::test
