// Names of the parameters: band fields by position, the other slots from a table.
#include "model/slot_names.h"

#include <cstdio>
#include <sstream>

#include "model/modules.h"

namespace vt {
namespace {

struct NamedSlot {
    int address;
    const char* name;
};

constexpr NamedSlot kNames[] = {
    {makeAddress(0, 10), "Input source"},
    {makeAddress(0, 11), "Input level"},
    {makeAddress(1, 0), "Left delay"},
    {makeAddress(1, 1), "Master volume"},
    {makeAddress(1, 2), "Right delay"},
    {makeAddress(1, 3), "Main left phase"},
    {makeAddress(1, 4), "Compressor on/off"},
    {makeAddress(1, 5), "Compressor attack"},
    {makeAddress(1, 6), "Compressor release"},
    {makeAddress(1, 7), "Main right phase"},
    {makeAddress(1, 8), "Compressor curve"},
    {makeAddress(1, 9), "Compressor curve"},
    {makeAddress(1, 10), "Compressor curve"},
    {makeAddress(1, 11), "Compressor curve"},
    {makeAddress(1, 12), "Compressor curve"},
    {makeAddress(1, 13), "Main high-pass type"},
    {makeAddress(1, 15), "Main high-pass frequency"},
    {makeAddress(1, 16), "Main low-pass type"},
    {makeAddress(1, 18), "Main low-pass frequency"},
    {makeAddress(1, 19), "EQ PASS"},
    {makeAddress(2, 25), "Auxiliary output gain"},
    {makeAddress(2, 26), "Sub stereo/mono"},
    {makeAddress(2, 27), "Sub left phase"},
    {makeAddress(2, 28), "Sub right phase"},
    {makeAddress(2, 29), "Auxiliary high-pass type"},
    {makeAddress(2, 30), "Auxiliary high-pass frequency"},
    {makeAddress(2, 31), "Auxiliary low-pass type"},
    {makeAddress(2, 32), "Auxiliary low-pass frequency"},
    {makeAddress(2, 63), "Default EQ high-pass type"},
    {makeAddress(2, 64), "Default EQ high-pass frequency"},
    {makeAddress(2, 65), "Default EQ low-pass type"},
    {makeAddress(2, 66), "Default EQ low-pass frequency"},
};

constexpr const char* kFieldNames[] = {"type", "frequency", "gain", "Q", "Q"};
// Dynamic EQ fields by offset from slot 1 (EQ 1) or slot 13 (EQ 2); empty: no parameter.
constexpr const char* kDynamicFields[] = {"pass", "type",       "frequency",   "gain",         "Q",
                                          "",     "start mode", "start level", "cut-off level"};

std::string bandName(const char* prefix, int band, int field) {
    return std::string(prefix) + std::to_string(band + 1) + " " + kFieldNames[field];
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

}  // namespace

std::string slotName(int address) {
    for (const auto& n : kNames)
        if (n.address == address) return n.name;
    const int module = moduleOf(address);
    const int slot = slotOf(address);
    if (module == kMainModule && slot >= 20 && slot < 65)
        return bandName("Band ", (slot - 20) / 5, (slot - 20) % 5);
    if (module == kAuxModule && slot >= 33 && slot < 43)
        return bandName("Auxiliary band ", (slot - 33) / 5, (slot - 33) % 5);
    if (module == kAuxModule && slot >= 43 && slot < 63)
        return bandName("Default EQ band ", (slot - 43) / 5, (slot - 43) % 5);
    if (module == kAuxModule && slot >= 1 && slot < 22) {
        const int eq = slot < 13 ? 0 : 1;
        const char* field = kDynamicFields[(slot - 1) % 12 < 9 ? (slot - 1) % 12 : 5];
        if (*field) return "Dynamic EQ " + std::to_string(eq + 1) + " " + field;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "Slot 0x%04X", static_cast<unsigned>(address & 0xFFFF));
    return buffer;
}

std::string slotGroupName(const std::vector<int>& addresses) {
    if (addresses.empty()) return {};
    const std::string first = slotName(addresses.front());
    std::vector<std::string> shared = words(first);
    bool allSame = true;
    for (int a : addresses) {
        const std::string name = slotName(a);
        if (name != first) allSame = false;
        const std::vector<std::string> w = words(name);
        std::size_t n = 0;
        while (n < shared.size() && n < w.size() && shared[n] == w[n]) ++n;
        shared.resize(n);
    }
    if (allSame) return first;
    // A shared name needs more than its first word ("Band 3", not "Band").
    if (shared.size() >= 2) {
        std::string out;
        for (const auto& w : shared) out += (out.empty() ? "" : " ") + w;
        return out;
    }
    return first + " and " + std::to_string(addresses.size() - 1) + " more";
}

}  // namespace vt
