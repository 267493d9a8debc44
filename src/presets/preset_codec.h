// The preset file format: scrambled text lines holding the device image of modules 1 to 3 between
// two header lines and two trailer lines (line count and checksum). Pure: bytes in, bytes out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/shadow_images.h"

namespace vt::presets {

inline constexpr std::string_view kExtension = ".Nddt";
inline constexpr int kProductCode = 0x690E;
inline constexpr int kKindByte = 0x07;
inline constexpr int kHeaderMask = 0xC6;

// Last saved slot of each saved module (modules 1, 2, 3).
inline constexpr int kSavedModules[] = {1, 2, 3};
inline constexpr int kLastSavedSlot[] = {0, 65, 67, 1};
inline constexpr long long kMaxPresetValue = 65535;

// A slot that a preset file saves and may set: modules 1 to 3, up to the module's last saved slot.
bool presetSavesSlot(long long module, long long slot);
// A value that a preset may carry to the unit: a device value, 0 to 65535.
bool presetValueFits(long long value);

std::string_view modelTag(int variant);  // "R4" for 0, "R6" otherwise

// Each character XORed with the key table and written as two upper-case hex digits.
std::string scrambleLine(std::string_view plain);
// The reverse; upper or lower case digits, a last odd digit ignored. nullopt on a non-hex pair.
std::optional<std::string> unscrambleLine(std::string_view hex);

// ((sum XOR 0xFFFF) + 1) mod 256 of the plain values.
int presetChecksum(long long sum);

// The scrambled lines of a device image (140 lines).
std::vector<std::string> savePresetLines(const DeviceImage& image, int variant);
// File bytes: every line ended by CR LF.
std::string presetFileText(const std::vector<std::string>& scrambledLines);

// The file name that Save writes for a chosen name: the extension forced to ".Nddt".
std::string forcePresetExtension(const std::string& chosenName);

enum class LoadStatus { Ok, FormatError, Corrupted };

struct DataLine {
    int module;
    int slot;
    long long value;
};

struct DecodedPreset {
    LoadStatus status = LoadStatus::Corrupted;
    std::vector<std::string> plainLines;  // every line decoded so far
    std::string model;                    // first token of line 0
    int variant = 0;                      // 0 when the model tag is "R4", else 1
    std::vector<DataLine> data;           // data lines in file order, line-index XOR removed
    bool verified = false;                // count and checksum agree
};

// Decodes and checks a whole file without touching any image.
DecodedPreset decodePreset(std::string_view fileText);

// Applies a verified preset to the device image: module 2 only when the variants agree; lines
// outside the slots a preset saves (module 0, addresses outside the image) and values outside
// 0..65535 are skipped; they still count in the checksum. Returns the number of slots written.
int applyPreset(const DecodedPreset& preset, int currentVariant, DeviceImage& image);

// Message of a failed load, English (language 0) or Chinese (language 1).
std::string_view loadMessage(LoadStatus status, int language);
std::string_view fileNotFoundMessage(int language);

}  // namespace vt::presets
