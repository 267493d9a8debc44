// Finding --help and --version anywhere before "--".
#include "app/help_request.h"

namespace vt::app {

HelpRequest helpRequest(const std::vector<std::string>& words) {
    for (const auto& word : words) {
        if (word == "--") break;
        if (word == "-h" || word == "--help") return HelpRequest::Help;
        if (word == "-v" || word == "--version") return HelpRequest::Version;
    }
    return HelpRequest::None;
}

}  // namespace vt::app
