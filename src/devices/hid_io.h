// The calls made on one open HID handle: read with a timeout, write, and the error text of the
// call that failed. hidapi in the program; a stand-in in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vt::devices {

// What one call did: bytes read or written, or (n < 0) the system error code and text.
struct IoResult {
    int n = 0;
    int code = 0;
    std::string text;
};

class HidIo {
  public:
    virtual ~HidIo() = default;
    virtual IoResult read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    virtual IoResult write(std::span<const std::uint8_t> report) = 0;
};

// hid_init once per process, hid_exit at its end.
void ensureHidLibrary();

// hidapi on the device at `path`; nullptr with `error` (errno) and `text` set when it fails.
std::unique_ptr<HidIo> openHidapi(const std::string& path, int& error, std::string& text);

}  // namespace vt::devices
