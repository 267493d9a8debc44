// Scrambling, saving and checking preset files.
#include "presets/preset_codec.h"

#include <array>
#include <climits>

#include "model/number_text.h"
#include "model/text_pairs.h"

namespace vt::presets {
namespace {

constexpr std::array<std::uint8_t, 8> kKey{0x5E, 0xC3, 0x17, 0xA0, 0x6B, 0xF4, 0x28, 0x91};

// Tokens separated by single blanks; two blanks in a row make an empty token.
std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const auto pos = line.find(' ', start);
        if (pos == std::string_view::npos) {
            out.push_back(line.substr(start));
            return out;
        }
        out.push_back(line.substr(start, pos - start));
        start = pos + 1;
    }
}

std::optional<long long> secondNumber(std::string_view line) {
    const auto t = tokens(line);
    if (t.size() < 2) return std::nullopt;
    return parseInt(t[1]);
}

std::optional<long long> intToken(std::string_view token) {
    auto v = parseInt(token);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
    return v;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        auto line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool presetSavesSlot(long long module, long long slot) {
    for (int m : kSavedModules)
        if (module == m) return slot >= 0 && slot <= kLastSavedSlot[m];
    return false;
}

bool presetValueFits(long long value) {
    return value >= 0 && value <= kMaxPresetValue;
}

std::string_view modelTag(int variant) {
    return variant == 0 ? "R4" : "R6";
}

std::string scrambleLine(std::string_view plain) {
    std::string out;
    out.reserve(plain.size() * 2);
    for (std::size_t i = 0; i < plain.size(); ++i)
        out +=
            hexByte(static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[i]) ^ kKey[i % 8]));
    return out;
}

std::optional<std::string> unscrambleLine(std::string_view hex) {
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = hexDigit(hex[i]);
        const int lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>((hi * 16 + lo) ^ kKey[(i / 2) % 8]);
    }
    return out;
}

int presetChecksum(long long sum) {
    return static_cast<int>(((sum ^ 0xFFFF) + 1) % 256);
}

std::vector<std::string> savePresetLines(const DeviceImage& image, int variant) {
    std::vector<std::string> lines;
    lines.push_back(
        scrambleLine(std::string(modelTag(variant)) + " " + formatInt(kProductCode ^ kHeaderMask)));
    lines.push_back(scrambleLine("Pelor " + formatInt(kKindByte ^ kHeaderMask)));
    long long counter = 1;
    long long sum = 0;
    for (int m : kSavedModules) {
        for (int s = 0; s <= kLastSavedSlot[m]; ++s) {
            ++counter;
            const long long value = image.at(m, s);
            lines.push_back(scrambleLine(formatInt((m * 256 + s) ^ counter) + " " +
                                         formatInt(value ^ counter)));
            sum += value;
        }
    }
    ++counter;
    lines.push_back(scrambleLine("Intoal: " + formatInt(counter)));
    lines.push_back(scrambleLine("CCCCK: " + formatInt(presetChecksum(sum))));
    return lines;
}

std::string presetFileText(const std::vector<std::string>& scrambledLines) {
    std::string text;
    for (const auto& l : scrambledLines) text += l + "\r\n";
    return text;
}

std::string forcePresetExtension(const std::string& chosenName) {
    const auto sep = chosenName.find_last_of('/');
    const std::size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
    const auto dot = chosenName.find_last_of('.');
    const bool hasExt = dot != std::string::npos && dot > nameStart;
    if (hasExt && chosenName.substr(dot) == kExtension) return chosenName;
    return (hasExt ? chosenName.substr(0, dot) : chosenName) + std::string(kExtension);
}

DecodedPreset decodePreset(std::string_view fileText) {
    DecodedPreset result;
    const auto raw = splitLines(fileText);
    bool decodable = true;
    for (const auto& line : raw) {
        auto plain = unscrambleLine(line);
        if (!plain) {
            decodable = false;
            break;
        }
        result.plainLines.push_back(std::move(*plain));
    }
    const auto& plain = result.plainLines;

    // Header: product code and kind byte.
    if (plain.size() < 2) {
        result.status = LoadStatus::FormatError;
        return result;
    }
    const auto h0 = secondNumber(plain[0]);
    const auto h1 = secondNumber(plain[1]);
    if (!h0 || !h1 || (*h0 ^ kHeaderMask) != kProductCode || (*h1 ^ kHeaderMask) != kKindByte) {
        result.status = LoadStatus::FormatError;
        return result;
    }
    result.model = std::string(tokens(plain[0])[0]);
    result.variant = result.model == "R4" ? 0 : 1;
    result.status = LoadStatus::Corrupted;
    if (!decodable) return result;

    // Trailer: line count and checksum.
    const long long lineCount = static_cast<long long>(plain.size());
    const auto count = secondNumber(plain[plain.size() - 2]);
    const auto check = secondNumber(plain[plain.size() - 1]);
    if (!count || !check || *count != lineCount - 2) return result;

    long long sum = 0;
    for (long long i = 2; i <= lineCount - 3; ++i) {
        const auto t = tokens(plain[static_cast<std::size_t>(i)]);
        if (t.size() < 2) return result;
        const auto a = intToken(t[0]);
        const auto v = intToken(t[1]);
        if (!a || !v) return result;
        const long long address = *a ^ i;
        const long long value = *v ^ i;
        result.data.push_back(
            {static_cast<int>(address / 256), static_cast<int>(address % 256), value});
        sum += value;
    }
    result.verified = presetChecksum(sum) == *check;
    if (result.verified) result.status = LoadStatus::Ok;
    return result;
}

int applyPreset(const DecodedPreset& preset, int currentVariant, DeviceImage& image) {
    if (preset.status != LoadStatus::Ok) return 0;
    int written = 0;
    for (const auto& d : preset.data) {
        if (!presetSavesSlot(d.module, d.slot) || !presetValueFits(d.value)) continue;
        if (d.module == 2 && preset.variant != currentVariant) continue;
        image.set(d.module, d.slot, static_cast<std::int32_t>(d.value));
        ++written;
    }
    return written;
}

std::string_view loadMessage(LoadStatus status, int language) {
    switch (status) {
        case LoadStatus::FormatError:
            return pick(texts::kFileFormatError, language);
        case LoadStatus::Corrupted:
            return pick(texts::kDataFileCorrupted, language);
        case LoadStatus::Ok:
            break;
    }
    return {};
}

std::string_view fileNotFoundMessage(int language) {
    return pick(texts::kFileNotFound, language);
}

}  // namespace vt::presets
