// The doctor's findings written out: plain sentences, or one JSON object.
#pragma once

#include <string>

#include "app/doctor.h"

namespace vt::doctor {

std::string reportText(const Findings& findings);
std::string reportJson(const Findings& findings);
// Whether any unit answered: the doctor's exit status is 0 then, else 3.
bool anyAnswered(const Findings& findings);

}  // namespace vt::doctor
