// Filter lists from disk.
#include "eqfile/filter_list_file.h"

#include "presets/preset_file.h"

namespace vt::eqfile {

FilterListLoad loadFilterList(const std::string& path, SourceChannel channel) {
    FilterListLoad load;
    presets::FileText text = presets::readBoundedFile(path, kLargestFilterList);
    if (text.problem != presets::ReadProblem::None) {
        load.message = text.problem == presets::ReadProblem::TooLarge
                           ? "too large for a filter list"
                           : "cannot be read";
        return load;
    }
    return filterListFromText(text.text, channel);
}

FilterListLoad filterListFromText(std::string_view text, SourceChannel channel) {
    FilterListLoad load;
    if (text.size() > kLargestFilterList) {
        load.message = "too large for a filter list";
        return load;
    }
    FilterFile file = readFilterFile(text, channel);
    if (!file.usable()) {
        load.message = std::string(kNothingUsable);
        load.problems = std::move(file.problems);
        return load;
    }
    load.file = std::move(file);
    return load;
}

}  // namespace vt::eqfile
