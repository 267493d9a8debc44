// Preset files on disk: what is read (regular files of bounded size only) and saves that are
// durable, keep the user's permissions and links, and never destroy an existing preset.
#include "presets/preset_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vt::presets {
namespace {

namespace fs = std::filesystem;

class PresetFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vt-preset-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(PresetFiles, SaveThenLoad) {
    DeviceImage image;
    image.set(1, 21, 288);
    const std::string path = (dir / "show.Nddt").string();
    EXPECT_EQ(writeFileAtomically(path, presetFileText(savePresetLines(image, 0))), "");
    const LoadOutcome out = loadPresetFile(path, 0);
    EXPECT_TRUE(out.opened);
    EXPECT_EQ(out.message, "");
    DeviceImage loaded;
    applyPreset(out.preset, 0, loaded);
    EXPECT_EQ(loaded.at(1, 21), 288);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(PresetFiles, MissingFileAndFolder) {
    EXPECT_EQ(loadPresetFile((dir / "none.Nddt").string(), 0).message, "File not find!");
    EXPECT_EQ(loadPresetFile((dir / "none.Nddt").string(), 1).message, "文件不存在");
    // A folder is there: not missing, and no preset file, whatever its name.
    const fs::path folder = dir / "d.Nddt";
    fs::create_directories(folder);
    EXPECT_EQ(loadPresetFile(folder.string(), 0).message, "a folder, not a preset file");
    EXPECT_EQ(loadPresetFile(folder.string(), 1).message, "a folder, not a preset file");
}

TEST_F(PresetFiles, OnlyRegularFilesOfBoundedSizeAreRead) {
    // A FIFO without a writer would block for ever, /dev/zero would never end.
    const fs::path fifo = dir / "fifo.Nddt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path big = dir / "big.Nddt";
    { std::ofstream(big, std::ios::binary) << std::string(kMaxPresetFileBytes + 1, 'A'); }
    const fs::path limit = dir / "limit.json";
    { std::ofstream(limit, std::ios::binary) << std::string(kMaxPresetFileBytes, ' '); }

    const struct {
        fs::path path;
        ReadProblem problem;
        const char* message;
    } cases[] = {
        {fifo, ReadProblem::NotAFile, "File format error!"},
        {"/dev/zero", ReadProblem::NotAFile, "File format error!"},
        {big, ReadProblem::TooLarge, "File format error!"},
        {dir, ReadProblem::Folder, "a folder, not a preset file"},
        {limit, ReadProblem::None, "File format error!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readBoundedFile(c.path.string()).problem, c.problem) << c.path;
        EXPECT_EQ(loadPresetFile(c.path.string(), 0).message, c.message) << c.path;
    }
    EXPECT_EQ(readBoundedFile(limit.string()).text.size(), kMaxPresetFileBytes);
}

TEST_F(PresetFiles, SaveKeepsPermissionsAndWritesThroughALink) {
    const fs::path real = dir / "real.Nddt";
    { std::ofstream(real) << "old"; }
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const fs::path link = dir / "link.Nddt";
    fs::create_symlink("real.Nddt", link);

    EXPECT_EQ(writeFileAtomically(link.string(), "new"), "");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(contents(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(dir), 2u);  // no temporary file left behind
}

TEST_F(PresetFiles, AnotherUsersLinkInASharedStickyFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    const fs::path shared = dir / "shared";
    fs::create_directories(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const fs::path notes = dir / "notes.txt";
    { std::ofstream(notes) << "my notes"; }
    const fs::path planted = shared / "shared.Nddt";
    fs::create_symlink(notes, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 4242, 4242), 0);

    const std::string why = writeFileAtomically(planted.string(), "preset text");
    EXPECT_NE(why.find("is a link of another user (uid 4242)"), std::string::npos) << why;
    EXPECT_EQ(contents(notes), "my notes");
    EXPECT_EQ(entries(shared), 1u);
    // The folder owner's links, and ours, are followed as the system follows them.
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    EXPECT_EQ(writeFileAtomically(planted.string(), "preset text"), "");
    EXPECT_EQ(contents(notes), "preset text");
}

TEST_F(PresetFiles, SavesKilledHalfWayLeaveNothingBehind) {
    const fs::path target = dir / "big.Nddt";
    const std::string text(8 << 20, 'x');
    // A stale temporary file of a process that is gone, as an older save killed between naming
    // its file and renaming it left one.
    pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const fs::path stale = dir / (".big.Nddt.tmp-" + std::to_string(gone) + ".123456");
    { std::ofstream(stale) << "half"; }
    for (int kill = 0; kill < 12; ++kill) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;) (void)writeFileAtomically(target.string(), text);
        }
        ::usleep(static_cast<useconds_t>(3000 + kill * 1700));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(writeFileAtomically(target.string(), "last"), "");
    EXPECT_EQ(contents(target), "last");
    EXPECT_EQ(entries(dir), 1u) << "temporary files left behind";
}

TEST_F(PresetFiles, SaveOnAFullDiskLeavesTheOldFileByteIdentical) {
    // The file size limit stands in for a full disk: the child process may write 1 KiB per file.
    const fs::path path = dir / "full.Nddt";
    const std::string old(600, 'o');
    { std::ofstream(path, std::ios::binary) << old; }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string reason = writeFileAtomically(path.string(), std::string(4096, 'n'));
        ::_exit(reason.find("File too large") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report the full disk";
    EXPECT_EQ(contents(path), old);
    EXPECT_EQ(entries(dir), 1u);
}

// A name of up to the file system's 255 bytes can be saved and saved over, however little room
// it leaves the temporary file beside it (83 Chinese characters and .Nddt are 254 bytes).
TEST_F(PresetFiles, SaveWithTheLongestNameTheFolderAllows) {
    for (std::size_t characters : {81u, 82u, 83u}) {
        std::string name;
        for (std::size_t i = 0; i < characters; ++i) name += "\u4FDD";
        name += ".Nddt";  // 248, 251 or 254 bytes
        const fs::path path = dir / name;
        EXPECT_EQ(writeFileAtomically(path.string(), "first"), "") << name.size();
        EXPECT_EQ(writeFileAtomically(path.string(), "second"), "") << name.size();
        EXPECT_EQ(contents(path), "second");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

TEST_F(PresetFiles, SaveIntoAMissingFolderReportsAnError) {
    EXPECT_NE(writeFileAtomically((dir / "no" / "such.Nddt").string(), "x"), "");
}

}  // namespace
}  // namespace vt::presets
