// The --capture option of both programs: its refusal on a serial line, and opening its file.
#pragma once

#include <memory>
#include <string>

#include "capture/pcapng_writer.h"

namespace vt::app {

inline constexpr const char* kCaptureNeedsUsb =
    "--capture records the unit's USB reports; a serial line has none, so it cannot be used "
    "with --transport uart";

// The capture file of `program` ("vortella-cli"), created at once; nullptr with a message for
// the error stream when it cannot be.
inline std::shared_ptr<capture::PcapngWriter> openCapture(const std::string& path,
                                                          const std::string& program,
                                                          const std::string& version,
                                                          std::string& message) {
    std::string why;
    std::shared_ptr<capture::PcapngWriter> writer =
        capture::PcapngWriter::create(path, program + " " + version, why);
    if (!writer) message = program + ": cannot write capture " + path + ": " + why;
    return writer;
}

}  // namespace vt::app
