// Preset file input and output on the local file system.
#include "presets/preset_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace vt::presets {

std::optional<std::string> readPresetFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

std::string writeFileAtomically(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::random_device rd;
    fs::path temp = target;
    temp += ".tmp-" + std::to_string(rd() % 1000000u);

    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return std::string("cannot create ") + temp.string() + ": " + std::strerror(errno);
    const bool wrote = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int writeErr = errno;
    const bool closed = std::fclose(f) == 0;
    if (!wrote || !closed) {
        std::error_code ec;
        fs::remove(temp, ec);
        return std::string("cannot write ") + path + ": " + std::strerror(wrote ? errno : writeErr);
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return "cannot write " + path + ": " + ec.message();
    }
    return {};
}

LoadOutcome loadPresetFile(const std::string& path, int language) {
    LoadOutcome out;
    const auto text = readPresetFile(path);
    if (!text) {
        out.message = fileNotFoundMessage(language);
        return out;
    }
    out.opened = true;
    out.preset = decodePreset(*text);
    out.message = loadMessage(out.preset.status, language);
    return out;
}

}  // namespace vt::presets
