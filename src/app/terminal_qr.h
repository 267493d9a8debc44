// A QR code of a short text, and its drawing in a terminal with the half blocks of UTF-8: two rows
// of modules to a line of text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::app {

struct QrModules {
    int size = 0;            // modules per side
    std::vector<bool> dark;  // size * size, row by row
    bool at(int x, int y) const { return dark[static_cast<std::size_t>(y * size + x)]; }
};

// The QR code of `text` (8-bit, error correction M, the smallest version that holds it); nullopt
// when the text is too long for any version or the encoder fails.
std::optional<QrModules> qrCode(std::string_view text);

// How the drawing looks where it is shown.
enum class QrColours {
    Plain,     // dark modules in the text's colour: for a light background, or paper
    Terminal,  // black on white whatever the terminal's colours, with ANSI colour codes
};

// The code with a quiet zone of `quiet` light modules around it, one line per two rows of
// modules, each line ended by "\n".
std::string drawQr(const QrModules& code, int quiet, QrColours colours);

}  // namespace vt::app
