// The pairing address and its QR code: which hosts `pair --address` takes and how they stand in
// the address; the code's modules as the encoder gives them and the half-block drawing, read back
// module by module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/pairing_link.h"
#include "app/terminal_qr.h"

namespace vt::app {
namespace {

constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TEST(PairingLink, TakesAddressesAndHostNamesAndRefusesWhatIsNeither) {
    struct Case {
        const char* written;
        const char* host;  // nullptr: refused
        bool isName;
    };
    const Case cases[] = {
        {"192.168.1.20", "192.168.1.20", false},
        {"127.0.0.1", "127.0.0.1", false},
        {"fe80::1", "[fe80::1]", false},
        {"[2001:db8::7]", "[2001:db8::7]", false},
        {"studio.lan", "studio.lan", true},
        {"Living-Room", "Living-Room", true},
        {"", nullptr, false},
        {"192.168.1.20:8765", nullptr, false},
        {"10.1.2", nullptr, false},
        {"300.1.2.3", nullptr, false},
        {"[::1", nullptr, false},
        {"a..b", nullptr, false},
        {"-studio", nullptr, false},
        {"studio/x", nullptr, false},
        {"studio#token=x", nullptr, false},
        {"a b", nullptr, false},
        {"stüdio", nullptr, false},
        {"user@studio", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        const PairingHost got = pairingHost(c.written);
        if (c.host) {
            EXPECT_EQ(got.error, "");
            EXPECT_EQ(got.host, c.host);
            EXPECT_EQ(got.isName, c.isName);
        } else {
            EXPECT_NE(got.error, "");
            EXPECT_EQ(got.host, "");
        }
    }
    EXPECT_EQ(pairingHost(std::string(64, 'a')).error.empty(), false);  // a label of 64
    EXPECT_EQ(pairingAddress("[fe80::1]", 8765, kToken),
              std::string("http://[fe80::1]:8765/#token=") + kToken);
}

// The 7 x 7 finder pattern with its top left corner at (x, y): a dark ring, a light ring and a
// dark 3 x 3 core.
bool finderAt(const QrModules& code, int x, int y) {
    for (int dy = 0; dy < 7; ++dy)
        for (int dx = 0; dx < 7; ++dx) {
            const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
            if (code.at(x + dx, y + dy) != (ring != 2)) return false;
        }
    return true;
}

// The modules a drawing shows, with its quiet zone, read back from its characters.
std::vector<std::vector<bool>> readBack(const std::string& drawing, bool colours) {
    std::vector<std::vector<bool>> rows;
    std::size_t at = 0;
    while (at < drawing.size()) {
        std::size_t end = drawing.find('\n', at);
        std::string line = drawing.substr(at, end - at);
        at = end + 1;
        if (colours) {
            EXPECT_EQ(line.rfind("\x1b[30;107m", 0), 0u);
            EXPECT_EQ(line.substr(line.size() - 4), "\x1b[0m");
            line = line.substr(9, line.size() - 13);
        }
        std::vector<bool> top, bottom;
        for (std::size_t i = 0; i < line.size();) {
            if (line[i] == ' ') {
                top.push_back(false), bottom.push_back(false), ++i;
                continue;
            }
            const std::string glyph = line.substr(i, 3);
            EXPECT_TRUE(glyph == "█" || glyph == "▀" || glyph == "▄") << glyph;
            top.push_back(glyph != "▄");
            bottom.push_back(glyph != "▀");
            i += 3;
        }
        rows.push_back(top);
        rows.push_back(bottom);
    }
    return rows;
}

TEST(TerminalQr, TheCodeHasItsFindersAndTheDrawingShowsEveryModuleInItsPlace) {
    const std::string link = std::string("http://192.168.100.200:65535/#token=") + kToken;
    const auto code = qrCode(link);
    ASSERT_TRUE(code);
    // Version 6 is the smallest that holds 101 bytes at level M.
    EXPECT_EQ(code->size, 41);
    EXPECT_TRUE(finderAt(*code, 0, 0));
    EXPECT_TRUE(finderAt(*code, code->size - 7, 0));
    EXPECT_TRUE(finderAt(*code, 0, code->size - 7));
    EXPECT_FALSE(finderAt(*code, code->size - 7, code->size - 7));

    // An odd number of rows (41 + 2 * 2) ends with a line whose lower half is light.
    for (const bool colours : {false, true}) {
        SCOPED_TRACE(colours);
        const int quiet = 2;
        const auto rows = readBack(
            drawQr(*code, quiet, colours ? QrColours::Terminal : QrColours::Plain), colours);
        const int side = code->size + 2 * quiet;
        ASSERT_EQ(rows.size(), std::size_t(side + 1));
        for (int y = 0; y <= side; ++y) {
            ASSERT_EQ(rows[y].size(), std::size_t(side));
            for (int x = 0; x < side; ++x) {
                const int cx = x - quiet, cy = y - quiet;
                const bool inside = cx >= 0 && cy >= 0 && cx < code->size && cy < code->size;
                EXPECT_EQ(rows[y][x], inside && code->at(cx, cy)) << x << "," << y;
            }
        }
    }
    // A text past the largest version (2331 bytes at level M) has no code.
    EXPECT_FALSE(qrCode(std::string(4000, 'a')));
}

}  // namespace
}  // namespace vt::app
