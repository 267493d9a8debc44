// The lock on a unit's node: the lines of /proc/locks read into their holder, and the lock itself
// on a file, refused to a second taker with this process named as the owner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>

#include "devices/proc_locks.h"
#include "devices/unit_lock.h"

namespace vt::test {
namespace {

using devices::LockedFile;
using devices::LockLine;

struct LineCase {
    const char* line;
    std::optional<LockLine> expected;
};

TEST(ProcLocks, LinesAreReadIntoTheirHolderAndFileAndAnythingElseIsNoLine) {
    const LockedFile file{0xfe, 0x00, 10780673};
    const LineCase cases[] = {
        {"1: FLOCK  ADVISORY  WRITE 15132 fe:00:10780673 0 EOF",
         LockLine{true, false, 15132, file}},
        {"2: FLOCK  ADVISORY  READ 7 00:1a:2 0 EOF", LockLine{true, false, 7, {0, 0x1a, 2}}},
        {"3: -> FLOCK  ADVISORY  WRITE 88 fe:00:10780673 0 EOF", LockLine{true, true, 88, file}},
        {"3:  -> FLOCK  ADVISORY  WRITE 88 103:1f:5 0 EOF",
         LockLine{true, true, 88, {0x103, 0x1f, 5}}},
        {"4: POSIX  ADVISORY  WRITE 612 00:19:821 0 EOF",
         LockLine{false, false, 612, {0, 0x19, 821}}},
        {"5: OFDLCK ADVISORY  WRITE -1 00:05:1 0 EOF", LockLine{false, false, -1, {0, 5, 1}}},
        {"6: FLOCK  ADVISORY  WRITE 0 00:05:1 0 EOF", LockLine{true, false, 0, {0, 5, 1}}},
        {"7: LEASE  ACTIVE    READ 99 08:01:4 0 EOF", LockLine{false, false, 99, {8, 1, 4}}},
        {"8:\tFLOCK\tADVISORY\tWRITE\t5\t00:05:1\t0\tEOF\r", LockLine{true, false, 5, {0, 5, 1}}},
        // Not a lock line: nothing is taken from it.
        {"", std::nullopt},
        {"garbage", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE", std::nullopt},
        {"1: POSIX  *NOINODE* WRITE 612 <none>:0 0 EOF", std::nullopt},
        {"x: FLOCK  ADVISORY  WRITE 1 00:05:1 0 EOF", std::nullopt},
        {"1 FLOCK  ADVISORY  WRITE 1 00:05:1 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE abc 00:05:1 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE 99999999999999999999 00:05:1 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE 1 zz:05:1 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE 1 00:05:-1 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE 1 00:05:1:9 0 EOF", std::nullopt},
        {"1: FLOCK  ADVISORY  WRITE 1 :: 0 EOF", std::nullopt},
        {"1: ->", std::nullopt},
        {"::::", std::nullopt},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const auto got = devices::parseLockLine(c.line);
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (!got) continue;
        EXPECT_EQ(got->flock, c.expected->flock);
        EXPECT_EQ(got->waiting, c.expected->waiting);
        EXPECT_EQ(got->pid, c.expected->pid);
        EXPECT_EQ(got->file, c.expected->file);
    }
}

TEST(ProcLocks, TheHolderIsTheFlockOfThatFileNotAWaiterNorAnotherKindOfLock) {
    const LockedFile node{0, 0x05, 321};
    const std::string text =
        "1: POSIX  ADVISORY  WRITE 11 00:05:321 0 EOF\n"  // does not conflict with flock
        "2: FLOCK  ADVISORY  WRITE 12 00:06:321 0 EOF\n"  // another file system
        "3: FLOCK  ADVISORY  WRITE 13 00:05:322 0 EOF\n"  // another file
        "nonsense line\n"
        "4: FLOCK  ADVISORY  WRITE 0 00:05:321 0 EOF\n"      // holder not seen from here
        "4: -> FLOCK  ADVISORY  WRITE 14 00:05:321 0 EOF\n"  // waits for it
        "5: FLOCK  ADVISORY  WRITE 15 00:05:321 0 EOF";      // no line end
    EXPECT_EQ(devices::flockHolder(text, node), 15);
    EXPECT_EQ(devices::flockHolder(text, LockedFile{0, 0x05, 999}), std::nullopt);
    EXPECT_EQ(devices::flockHolder("", node), std::nullopt);
}

TEST(UnitLock, ASecondTakerIsRefusedWithTheOwnersPidUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("node").toStdString();
    std::ofstream(path) << "";

    devices::UnitLock first = devices::UnitLock::take(path);
    ASSERT_TRUE(first.held()) << first.failure();
    // flock belongs to the open file, so a second descriptor of this process is refused too.
    const devices::UnitLock second = devices::UnitLock::take(path);
    EXPECT_TRUE(second.owned());
    EXPECT_EQ(second.ownerPid(), static_cast<long>(::getpid()));
    EXPECT_EQ(devices::unitInUseText(path, second.ownerPid()),
              "the unit at " + path + " is in use by another program (pid " +
                  std::to_string(::getpid()) + ")");
    EXPECT_EQ(devices::unitInUseText(path, -1),
              "the unit at " + path + " is in use by another program");

    devices::UnitLock moved = std::move(first);
    EXPECT_TRUE(devices::UnitLock::take(path).owned()) << "moving the lock keeps it";
    moved.release();
    EXPECT_TRUE(devices::UnitLock::take(path).held());

    const devices::UnitLock missing = devices::UnitLock::take(dir.filePath("none").toStdString());
    EXPECT_EQ(missing.state(), devices::UnitLock::State::Failed);
    EXPECT_EQ(missing.failure(), "No such file or directory");
}

}  // namespace
}  // namespace vt::test
