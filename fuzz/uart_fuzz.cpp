// Fuzz target: the UART framer never hands on a frame whose length disagrees with its header.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/uart_framer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vt::UartFramer framer;
    framer.setFrameHandler([](const std::vector<std::uint8_t>& f) {
        if (f.size() < 4 || f[1] != 0x57) std::abort();
        const std::size_t expected = f[2] > 0 ? f[2] + 3u : 4u;
        if (f.size() != expected) std::abort();
    });
    // Feed in uneven pieces, as serial reads arrive.
    std::size_t at = 0;
    std::size_t piece = 1;
    while (at < size) {
        const std::size_t n = std::min(piece, size - at);
        framer.ComPortRxChar(std::span(data + at, n));
        at += n;
        piece = piece % 7 + 1;
    }
    return 0;
}
