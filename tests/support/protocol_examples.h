// The worked examples of docs/protocol.md: every hex block the document marks with
// "<!-- golden: name -->", by name, as "01 57 ..." text. Tests that use it define
// VORTELLA_SOURCE_DIR.
#pragma once

#include <fstream>
#include <map>
#include <string>

#include "support/hex.h"

namespace vt::test {

inline std::map<std::string, std::string> documentExamples() {
    std::ifstream in(VORTELLA_SOURCE_DIR "/docs/protocol.md");
    std::map<std::string, std::string> out;
    std::string line, name;
    bool inBlock = false;
    while (std::getline(in, line)) {
        const auto marker = line.find("<!-- golden: ");
        if (marker != std::string::npos) {
            name = line.substr(marker + 13, line.find(" -->") - marker - 13);
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            if (inBlock) name.clear();
            inBlock = !inBlock && !name.empty();
            continue;
        }
        if (inBlock) out[name] += (out[name].empty() ? "" : " ") + toHex(hex(line));
    }
    return out;
}

}  // namespace vt::test
