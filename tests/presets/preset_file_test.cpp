// Preset files on disk: missing files and saves that never destroy an existing preset.
#include "presets/preset_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    EXPECT_EQ(loadPresetFile(dir.string(), 1).message, "文件不存在");
}

TEST_F(PresetFiles, FailedSaveKeepsTheOldFile) {
    // A name so long that no temporary file can be made beside it: the save must fail
    // and leave the existing preset as it was.
    const std::string path = (dir / (std::string(245, 'p') + ".Nddt")).string();
    { std::ofstream(path) << "old"; }
    EXPECT_NE(writeFileAtomically(path, "new"), "");
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "old");
}

TEST_F(PresetFiles, SaveIntoAMissingFolderReportsAnError) {
    EXPECT_NE(writeFileAtomically((dir / "no" / "such.Nddt").string(), "x"), "");
}

}  // namespace
}  // namespace vt::presets
