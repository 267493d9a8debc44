// The command-line program's usage line, printed first by --help and after every usage error.
#pragma once

namespace vt::cli {

inline constexpr const char* kUsageSynopsis = R"(Usage: vortella-cli COMMAND [ARGS]
       vortella-cli [DEVICE OPTIONS] DEVICE COMMAND [ARGS] [then DEVICE COMMAND [ARGS]]...
       vortella-cli [DEVICE OPTIONS] eq fit|export [ARGS]
       vortella-cli [--simulate] [--timeout SECONDS] doctor [--json]
)";

}  // namespace vt::cli
