// File names from outside: control characters, and plain names inside the preset folder.
#include "presets/path_rules.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vt::presets {
namespace {

namespace fs = std::filesystem;

std::string hexByte(unsigned char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[c >> 4] + kDigits[c & 15];
}

bool inside(const fs::path& folder, const fs::path& file) {
    const auto f = folder.lexically_normal();
    const auto p = file.lexically_normal();
    auto fi = f.begin();
    auto pi = p.begin();
    for (; fi != f.end(); ++fi, ++pi) {
        if (fi->empty()) continue;  // a trailing separator
        if (pi == p.end() || *fi != *pi) return false;
    }
    return pi != p.end();
}

}  // namespace

std::string controlCharacterProblem(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F)
            return "holds a control character (" + hexByte(c) + " at byte " +
                   std::to_string(i + 1) + ")";
    }
    return {};
}

std::string presetFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/vortella/presets";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] == '/' ? home : "/") + "/.local/share/vortella/presets";
}

FolderFile fileInFolder(const std::string& folder, std::string_view name) {
    FolderFile out;
    if (name.empty()) {
        out.problem = "a file name is needed";
    } else if (name == "." || name == "..") {
        out.problem = "\"" + std::string(name) + "\" names no file";
    } else if (name.find('/') != std::string_view::npos) {
        out.problem = "a file is named by its name alone, without \"/\"";
    } else if (std::string why = controlCharacterProblem(name); !why.empty()) {
        out.problem = "the name holds a control character";
    }
    if (!out.problem.empty()) {
        out.problem += "; files are named inside the preset folder only";
        return out;
    }
    std::error_code ec;
    // Made private the moment it is made; a folder the user already has keeps its mode.
    if (fs::create_directories(folder, ec)) ::chmod(folder.c_str(), 0700);
    if (ec) {
        out.problem = "cannot make the preset folder " + folder + ": " + ec.message();
        return out;
    }
    const fs::path file = fs::path(folder) / std::string(name);
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        const fs::path real = fs::weakly_canonical(file, ec);
        const fs::path realFolder = fs::canonical(folder, ec);
        if (ec || !inside(realFolder, real)) {
            out.problem = "\"" + std::string(name) +
                          "\" is a link that leads out of the preset folder; it is not followed";
            return out;
        }
    }
    out.path = file.string();
    return out;
}

}  // namespace vt::presets
