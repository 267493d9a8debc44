// Short English names of the unit's parameters ("Band 3 gain", "Left delay"), as the edit
// history names its steps.
#pragma once

#include <string>
#include <vector>

namespace vt {

// The name of the parameter at `address`; "Slot 0x0123" for an address that names none.
std::string slotName(int address);

// One name for a group of parameters written together: the name they share word by word
// ("Band 3" for its frequency and gain), else the first name and how many more there are.
std::string slotGroupName(const std::vector<int>& addresses);

}  // namespace vt
