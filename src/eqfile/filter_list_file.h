// Reading a filter list from disk: the size check, the read and the refusal of a file with
// nothing usable, shared by the command line and the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eqfile/filter_file.h"

namespace vt::eqfile {

// Far above any real filter list; a larger file is refused unread.
inline constexpr std::uintmax_t kLargestFilterList = 4u << 20;

struct FilterListLoad {
    std::optional<FilterFile> file;  // set when the file holds a usable filter
    std::string message;             // why not, otherwise
    std::vector<LineProblem> problems;
};

FilterListLoad loadFilterList(const std::string& path, SourceChannel channel = SourceChannel::Left);
// The same for a filter list's text that came another way (a client passed it).
FilterListLoad filterListFromText(std::string_view text,
                                  SourceChannel channel = SourceChannel::Left);

}  // namespace vt::eqfile
