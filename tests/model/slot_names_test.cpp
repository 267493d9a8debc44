// Names of parameters and of groups of them, as the edit history shows its steps.
#include <gtest/gtest.h>

#include "model/modules.h"
#include "model/slot_names.h"

namespace vt {
namespace {

TEST(SlotNames, NamesFollowTheSlotMap) {
    const std::pair<int, const char*> cases[] = {
        {makeAddress(1, 32), "Band 3 gain"},
        {makeAddress(1, 64), "Band 9 Q"},
        {makeAddress(1, 20), "Band 1 type"},
        {makeAddress(2, 34), "Auxiliary band 1 frequency"},
        {makeAddress(2, 47), "Default EQ band 1 Q"},
        {makeAddress(2, 9), "Dynamic EQ 1 cut-off level"},
        {makeAddress(2, 20), "Dynamic EQ 2 start level"},
        {makeAddress(1, 10), "Compressor curve"},
        {makeAddress(0, 10), "Input source"},
        {makeAddress(2, 10), "Slot 0x020A"},  // unbound
    };
    for (auto [address, name] : cases) EXPECT_EQ(slotName(address), name) << address;
}

TEST(SlotNames, AGroupIsNamedByWhatItsSlotsShare) {
    EXPECT_EQ(slotGroupName({makeAddress(1, 31), makeAddress(1, 32)}), "Band 3");
    EXPECT_EQ(slotGroupName({makeAddress(1, 8), makeAddress(1, 12)}), "Compressor curve");
    EXPECT_EQ(slotGroupName({makeAddress(1, 21), makeAddress(1, 26), makeAddress(1, 0)}),
              "Band 1 frequency and 2 more");
    EXPECT_EQ(slotGroupName({}), "");
}

}  // namespace
}  // namespace vt
