// Preset format: scrambling, saving, checking and applying, including damaged files.
#include "presets/preset_codec.h"

#include <gtest/gtest.h>

#include "model/number_text.h"

namespace vt::presets {
namespace {

DeviceImage sampleImage() {
    DeviceImage image;
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s) image.set(m, s, (m * 37 + s * 11) % 400);
    return image;
}

std::vector<std::string> plainOf(const std::string& text) {
    return decodePreset(text).plainLines;
}

// Re-scrambles a file after editing its plain lines.
std::string rebuild(const std::vector<std::string>& plain) {
    std::vector<std::string> lines;
    for (const auto& l : plain) lines.push_back(scrambleLine(l));
    return presetFileText(lines);
}

TEST(LineScrambling, RoundTripsAndAcceptsLowerCaseAndOddDigit) {
    const std::string plain = "R4 26824";
    const std::string hex = scrambleLine(plain);
    EXPECT_EQ(hex.size(), 16u);
    EXPECT_EQ(hex.substr(0, 2), "0C");  // 'R' 0x52 ^ 0x5E
    EXPECT_EQ(unscrambleLine(hex), plain);
    std::string lower = hex;
    for (auto& c : lower) c = static_cast<char>(std::tolower(c));
    EXPECT_EQ(unscrambleLine(lower + "7"), plain);
    EXPECT_FALSE(unscrambleLine("0CZZ").has_value());
    // The key restarts on every line and wraps after 8 characters.
    EXPECT_EQ(scrambleLine("AAAAAAAAA").substr(16, 2), scrambleLine("A"));
}

TEST(PresetChecksum, TwosComplementOfTheLowByte) {
    EXPECT_EQ(presetChecksum(0), 0);
    EXPECT_EQ(presetChecksum(1), 255);
    EXPECT_EQ(presetChecksum(300), 212);
}

TEST(SavePreset, LayoutOfTheLines) {
    const auto lines = savePresetLines(sampleImage(), 0);
    ASSERT_EQ(lines.size(), 140u);
    const std::string text = presetFileText(lines);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const auto plain = plainOf(text);
    EXPECT_EQ(plain[0], "R4 " + std::to_string(0x690E ^ 0xC6));
    EXPECT_EQ(plain[1], "Pelor 193");
    // Line 2 is module 1 slot 0 XOR 2; its value XOR 2.
    EXPECT_EQ(plain[2], std::to_string(256 ^ 2) + " " + std::to_string(37 ^ 2));
    // Last data line (index 137) is module 3 slot 1.
    EXPECT_EQ(plain[137],
              std::to_string((3 * 256 + 1) ^ 137) + " " + std::to_string((111 + 11) ^ 137));
    EXPECT_EQ(plain[138], "Intoal: 138");
    EXPECT_EQ(plain[139].substr(0, 7), "CCCCK: ");
    EXPECT_EQ(plainOf(presetFileText(savePresetLines(sampleImage(), 1)))[0].substr(0, 3), "R6 ");
}

TEST(LoadPreset, RoundTripRestoresEverySavedSlot) {
    const DeviceImage source = sampleImage();
    const std::string text = presetFileText(savePresetLines(source, 0));
    const DecodedPreset p = decodePreset(text);
    ASSERT_EQ(p.status, LoadStatus::Ok);
    EXPECT_TRUE(p.verified);
    EXPECT_EQ(p.data.size(), 136u);

    DeviceImage target;
    EXPECT_EQ(applyPreset(p, 0, target), 136);
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s <= kLastSavedSlot[m]; ++s) EXPECT_EQ(target.at(m, s), source.at(m, s));
    EXPECT_EQ(target.at(0, 5), 0);  // the System module is not in a preset

    // Line feeds alone are accepted as well.
    std::string lf = text;
    std::erase(lf, '\r');
    EXPECT_EQ(decodePreset(lf).status, LoadStatus::Ok);
}

TEST(LoadPreset, OtherVariantLeavesTheAuxiliaryModuleAndStillVerifies) {
    const DecodedPreset p = decodePreset(presetFileText(savePresetLines(sampleImage(), 1)));
    ASSERT_EQ(p.status, LoadStatus::Ok);
    DeviceImage target;
    target.set(2, 5, 4242);
    applyPreset(p, 0, target);
    EXPECT_EQ(target.at(2, 5), 4242);
    EXPECT_EQ(target.at(1, 5), sampleImage().at(1, 5));
    EXPECT_EQ(target.at(3, 0), sampleImage().at(3, 0));
}

TEST(LoadPreset, DamagedFilesAreRejectedWhole) {
    const auto good = plainOf(presetFileText(savePresetLines(sampleImage(), 0)));
    auto withValue = [&](int line, long long delta) {
        auto plain = good;
        const auto blank = plain[static_cast<std::size_t>(line)].find(' ');
        const long long v =
            std::stoll(plain[static_cast<std::size_t>(line)].substr(blank + 1)) ^ line;
        plain[static_cast<std::size_t>(line)] =
            plain[static_cast<std::size_t>(line)].substr(0, blank + 1) +
            formatInt((v + delta) ^ line);
        return plain;
    };
    auto edited = [&](auto edit) {
        auto plain = good;
        edit(plain);
        return rebuild(plain);
    };

    const struct {
        const char* what;
        std::string text;
        LoadStatus expected;
    } cases[] = {
        {"tampered value", rebuild(withValue(10, 1)), LoadStatus::Corrupted},
        {"deleted line", edited([](auto& p) { p.erase(p.begin() + 50); }), LoadStatus::Corrupted},
        {"bad header", edited([](auto& p) { p[0] = "R4 12345"; }), LoadStatus::FormatError},
        {"bad kind", edited([](auto& p) { p[1] = "Pelor 194"; }), LoadStatus::FormatError},
        {"header without number", edited([](auto& p) { p[0] = "R4"; }), LoadStatus::FormatError},
        {"empty file", "", LoadStatus::FormatError},
        {"not hexadecimal",
         [&] {
             auto t = rebuild(good);
             t[t.find("\r\n", 200) + 2] = 'G';
             return t;
         }(),
         LoadStatus::Corrupted},
        {"missing token", edited([](auto& p) { p[20] = "5140"; }), LoadStatus::Corrupted},
        {"not a whole number", edited([](auto& p) { p[20] = "5140 1.5"; }), LoadStatus::Corrupted},
        {"count line without number", edited([](auto& p) { p[138] = "Intoal:"; }),
         LoadStatus::Corrupted},
        {"only the header", edited([](auto& p) { p.resize(2); }), LoadStatus::Corrupted},
    };
    for (const auto& c : cases) {
        const DecodedPreset p = decodePreset(c.text);
        EXPECT_EQ(p.status, c.expected) << c.what;
        DeviceImage image = sampleImage();
        EXPECT_EQ(applyPreset(p, 0, image), 0) << c.what;
        EXPECT_EQ(image, sampleImage()) << c.what;
    }
}

TEST(LoadPreset, ChecksumCoversOnlyTheLowByteOfTheSum) {
    // A change by a multiple of 256 is not noticed: the known blind spot of the format.
    auto plain = plainOf(presetFileText(savePresetLines(sampleImage(), 0)));
    const long long v = std::stoll(plain[10].substr(plain[10].find(' ') + 1)) ^ 10;
    plain[10] = plain[10].substr(0, plain[10].find(' ') + 1) + formatInt((v + 256) ^ 10);
    EXPECT_EQ(decodePreset(rebuild(plain)).status, LoadStatus::Ok);
}

TEST(LoadPreset, LinesOutsideWhatAPresetSetsCountButAreNotWritten) {
    // Module 0, a slot past the saved range, an address outside the image and values outside
    // 0..65535: none reaches the image. Their values (a multiple of 256 in all) still count.
    const struct {
        int address;
        long long value;
    } lines[] = {{0 * 256 + 5, 256},
                 {1 * 256 + 66, 512},
                 {9 * 256 + 200, 0},
                 {1 * 256 + 3, 65536},
                 {2 * 256 + 1, -256}};
    auto plain = plainOf(presetFileText(savePresetLines(DeviceImage{}, 0)));
    long long i = 5;
    for (const auto& l : lines) {
        plain[static_cast<std::size_t>(i)] =
            formatInt(l.address ^ i) + " " + formatInt(l.value ^ i);
        ++i;
    }
    const DecodedPreset p = decodePreset(rebuild(plain));
    ASSERT_EQ(p.status, LoadStatus::Ok);
    DeviceImage image;
    EXPECT_EQ(applyPreset(p, 0, image), 136 - 5);
    EXPECT_EQ(image, DeviceImage{});

    plain[5] = formatInt(5 ^ 5) + " " + formatInt(257 ^ 5);
    EXPECT_EQ(decodePreset(rebuild(plain)).status, LoadStatus::Corrupted);
}

TEST(ForcedExtension, OnlyExactlyNddtIsKept) {
    EXPECT_EQ(forcePresetExtension("show"), "show.Nddt");
    EXPECT_EQ(forcePresetExtension("show.nddt"), "show.Nddt");
    EXPECT_EQ(forcePresetExtension("show.Nddt"), "show.Nddt");
    EXPECT_EQ(forcePresetExtension("my.show.txt"), "my.show.Nddt");
    EXPECT_EQ(forcePresetExtension("/home/a.b/show"), "/home/a.b/show.Nddt");
}

TEST(LoadMessages, EnglishAndChinese) {
    EXPECT_EQ(loadMessage(LoadStatus::FormatError, 0), "File format error!");
    EXPECT_EQ(loadMessage(LoadStatus::Corrupted, 0), "Data file is corrupted!");
    EXPECT_EQ(loadMessage(LoadStatus::Corrupted, 1), "数据文件损坏!");
    EXPECT_EQ(fileNotFoundMessage(0), "File not find!");
    EXPECT_TRUE(loadMessage(LoadStatus::Ok, 0).empty());
}

}  // namespace
}  // namespace vt::presets
