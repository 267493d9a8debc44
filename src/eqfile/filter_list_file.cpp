// Filter lists from disk.
#include "eqfile/filter_list_file.h"

#include <filesystem>

#include "presets/preset_file.h"

namespace vt::eqfile {

FilterListLoad loadFilterList(const std::string& path) {
    FilterListLoad load;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) &&
        std::filesystem::file_size(path, ec) > kLargestFilterList) {
        load.message = "too large for a filter list";
        return load;
    }
    const auto text = presets::readPresetFile(path);
    if (!text) {
        load.message = "cannot be read";
        return load;
    }
    FilterFile file = readFilterFile(*text);
    if (!file.usable()) {
        load.message = std::string(kNothingUsable);
        load.problems = std::move(file.problems);
        return load;
    }
    load.file = std::move(file);
    return load;
}

}  // namespace vt::eqfile
