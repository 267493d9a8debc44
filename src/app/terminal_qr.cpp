// Encoding with libqrencode and drawing with "▀", "▄", "█" and spaces.
#include "app/terminal_qr.h"

#include <qrencode.h>

#include <memory>

namespace vt::app {

std::optional<QrModules> qrCode(std::string_view text) {
    const std::string data(text);
    const std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeData(static_cast<int>(data.size()),
                          reinterpret_cast<const unsigned char*>(data.data()), 0, QR_ECLEVEL_M),
        QRcode_free);
    if (!code || code->width <= 0) return std::nullopt;
    QrModules modules;
    modules.size = code->width;
    const std::size_t count = static_cast<std::size_t>(code->width) * code->width;
    modules.dark.resize(count);
    // The lowest bit of each byte is the module's colour: 1 dark.
    for (std::size_t i = 0; i < count; ++i) modules.dark[i] = (code->data[i] & 1) != 0;
    return modules;
}

std::string drawQr(const QrModules& code, int quiet, QrColours colours) {
    const int side = code.size + 2 * quiet;
    const auto dark = [&](int x, int y) {
        x -= quiet;
        y -= quiet;
        return x >= 0 && y >= 0 && x < code.size && y < code.size && code.at(x, y);
    };
    std::string text;
    for (int y = 0; y < side; y += 2) {
        if (colours == QrColours::Terminal) text += "\x1b[30;107m";
        for (int x = 0; x < side; ++x) {
            const bool top = dark(x, y);
            const bool bottom = y + 1 < side && dark(x, y + 1);
            text += top && bottom ? "█" : top ? "▀" : bottom ? "▄" : " ";
        }
        if (colours == QrColours::Terminal) text += "\x1b[0m";
        text += "\n";
    }
    return text;
}

}  // namespace vt::app
