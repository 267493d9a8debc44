// How many more files the program may open before it reaches its limit (RLIMIT_NOFILE), so
// that a door open to the network can leave room for the local one and for the unit.
#pragma once

namespace vt::service {

// The soft limit of open files less the descriptors open now; a large number when the system
// does not say (no limit, or no /proc).
long descriptorsLeft();

}  // namespace vt::service
