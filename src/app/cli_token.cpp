// `vortella-cli token`: the token that remote clients of the control service present.
#include <ostream>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_usage.h"
#include "service/access_token.h"

namespace vt::cli {

int runToken(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        err << "vortella-cli: token takes no arguments\n"
            << kUsageSynopsis << "Try 'vortella-cli --help'.\n";
        return kExitUsage;
    }
    const std::optional<std::string> token = userToken("token", err);
    if (!token) return kExitOutput;
    out << *token << "\n";
    return kExitOk;
}

std::optional<std::string> userToken(const char* command, std::ostream& err) {
    const std::string path = service::defaultTokenPath();
    const service::TokenFile file = service::readOrCreateToken(path);
    if (!file.error.empty()) {
        err << "vortella-cli: " << command << ": " << file.error << "\n";
        return std::nullopt;
    }
    if (file.created) err << "vortella-cli: " << command << ": a new token is in " << path << "\n";
    return file.token;
}

}  // namespace vt::cli
