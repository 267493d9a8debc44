// Who holds a file lock, as the kernel lists the locks in /proc/locks: one line per lock,
// "ID: FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE 0 EOF" (waiters with "->" after the ID).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vt::devices {

// A file as /proc/locks names it: the device of its file system (major and minor number,
// printed in hex) and its inode number.
struct LockedFile {
    unsigned major = 0;
    unsigned minor = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const LockedFile&, const LockedFile&) = default;
};

// One line of /proc/locks.
struct LockLine {
    bool flock = false;    // taken with flock() (not a POSIX, OFD or lease lock)
    bool waiting = false;  // asked for, not held ("->")
    long pid = 0;          // 0 or -1 when the holder is not known in this pid namespace
    LockedFile file;
};

// The line read; nullopt for a line that is not a lock line as described above.
std::optional<LockLine> parseLockLine(std::string_view line);

// The process that holds a flock() lock on `file` among the lines of `procLocks`; nullopt when
// none does or its holder is not known.
std::optional<long> flockHolder(std::string_view procLocks, const LockedFile& file);

}  // namespace vt::devices
