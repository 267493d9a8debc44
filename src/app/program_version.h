// The version of both programs, set once in the top-level CMakeLists.txt (project VERSION).
#pragma once

namespace vt::app {

inline constexpr const char* kProgramVersion = VORTELLA_VERSION;

}  // namespace vt::app
