// --help and --version of both programs: answered wherever they stand on the command line,
// except after "--", which ends the options.
#pragma once

#include <string>
#include <vector>

namespace vt::app {

enum class HelpRequest { None, Help, Version };

// The first of -h, --help, -v, --version among `words` (the arguments without the program name)
// before any "--".
HelpRequest helpRequest(const std::vector<std::string>& words);

}  // namespace vt::app
