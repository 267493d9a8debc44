// Sub-commands of the command-line program. Each returns the process exit code.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "model/shadow_images.h"

namespace vt::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitBadInput = 2;
inline constexpr int kExitDevice = 3;
inline constexpr int kExitOutput = 4;  // the results (or the token file) could not be written

// preset show FILE | preset make JSON OUT
int runPreset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// [options] devices | dump | save FILE | set ADDRESS VALUE | load FILE | store | restore |
// factory, commands chained with "then". After a successful run `image`, when given, holds the
// unit's settings as the program last had them.
int runDevice(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              DeviceImage* image = nullptr);

// doctor [--json] with the device options --simulate and --timeout
int runDoctor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// eq fit FILE [--channel main|aux] [--source-channel L|R] [--apply] | eq export [--preset FILE]
// [--channel main|aux]
int runEq(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// capture decode FILE [--summary]
int runCapture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// token: prints the remote clients' token, making it on first use (kExitOutput when it cannot be
// read or made)
// [device options] serve [--listen HOST:PORT] [--allow-origin ORIGIN]...: runs until stopped.
int runServe(const std::vector<std::string>& args, std::ostream& err);

int runToken(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The user's token, made on first use (said on `err`, naming `command`); nullopt after telling
// why there is none (the command then exits with kExitOutput).
std::optional<std::string> userToken(const char* command, std::ostream& err);
// pair [--listen HOST:PORT | --port PORT] [--address HOST]: prints the web app's address with the
// token in its fragment, and its QR code
int runPair(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vt::cli
