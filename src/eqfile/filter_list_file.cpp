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
    FilterFile file = readFilterFile(text.text, channel);
    if (!file.usable()) {
        load.message = std::string(kNothingUsable);
        load.problems = std::move(file.problems);
        return load;
    }
    load.file = std::move(file);
    return load;
}

}  // namespace vt::eqfile
