// `capture decode`: the unit's transfers of a capture decoded one JSON object per line, or as a
// summary of the parameter writes and of the reports that could not be read.
#pragma once

#include <ostream>
#include <string>

#include "capture/capture_reader.h"

namespace vt::capture {

// Decodes every transfer the reader yields and writes the result to `out`. Returns why the
// capture ended before its end (damaged or cut short), after what came before; empty when the
// whole capture was read.
std::string decodeCapture(CaptureReader& reader, std::ostream& out, bool summary);

}  // namespace vt::capture
