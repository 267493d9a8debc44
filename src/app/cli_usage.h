// The command-line program's usage line, printed first by --help and after every usage error.
#pragma once

namespace vt::cli {

// The further forms start with "or:", the way help2man recognises them for the manual page.
inline constexpr const char* kUsageSynopsis = R"(Usage: vortella-cli COMMAND [ARGS]
  or:  vortella-cli [DEVICE OPTIONS] DEVICE COMMAND [ARGS] [then DEVICE COMMAND [ARGS]]...
  or:  vortella-cli [DEVICE OPTIONS] eq fit|auto|export [ARGS]
  or:  vortella-cli [--simulate] [--timeout SECONDS] doctor [--json]
)";

}  // namespace vt::cli
