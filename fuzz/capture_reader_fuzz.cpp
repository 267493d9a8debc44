// Fuzz target: any file handed to `capture decode`, read through libpcap and decoded both ways,
// stays inside its packets and prints only lines that are JSON objects.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "capture/capture_decode.h"

namespace {

std::string decode(const std::uint8_t* data, std::size_t size, bool summary) {
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) return {};
    std::string why;
    const auto reader = vt::capture::CaptureReader::open(file, why);
    if (!reader) return {};
    std::ostringstream out;
    vt::capture::decodeCapture(*reader, out, summary);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;  // fmemopen takes no empty buffer
    std::istringstream lines(decode(data, size, false));
    for (std::string line; std::getline(lines, line);)
        if (!nlohmann::json::accept(line)) std::abort();
    decode(data, size, true);
    return 0;
}
