// The lock on a unit's node: open, flock(LOCK_EX | LOCK_NB), and the holder looked up in
// /proc/locks when the lock is refused.
#include "devices/unit_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "devices/proc_locks.h"

namespace vt::devices {
namespace {

// The holder of a flock() lock on the file `st` describes, from /proc/locks; -1 when unknown.
long holderOf(const struct stat& st) {
    std::ifstream in("/proc/locks");
    std::stringstream text;
    text << in.rdbuf();
    const LockedFile file{major(st.st_dev), minor(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
    return flockHolder(text.str(), file).value_or(-1);
}

long holderOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return holderOf(st);
}

}  // namespace

UnitLock::~UnitLock() {
    release();
}

UnitLock::UnitLock(UnitLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_state(std::exchange(other.m_state, State::None)),
      m_ownerPid(std::exchange(other.m_ownerPid, -1)),
      m_failure(std::move(other.m_failure)) {}

UnitLock& UnitLock::operator=(UnitLock&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_state = std::exchange(other.m_state, State::None);
        m_ownerPid = std::exchange(other.m_ownerPid, -1);
        m_failure = std::move(other.m_failure);
    }
    return *this;
}

UnitLock UnitLock::take(const std::string& path) {
    UnitLock lock;
    // Non-blocking: a serial port without carrier would otherwise hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            // A serial port opened for exclusive use (TIOCEXCL, as QSerialPort opens every port)
            // refuses every further open but root's.
            lock.m_state = State::Owned;
            lock.m_ownerPid = holderOf(path);
        } else {
            lock.m_state = State::Failed;
            lock.m_failure = std::strerror(error);
        }
        return lock;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lock.m_fd = fd;
        lock.m_state = State::Held;
        return lock;
    }
    const int error = errno;
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (error == EWOULDBLOCK) {
        lock.m_state = State::Owned;
        lock.m_ownerPid = known ? holderOf(st) : -1;
    } else {
        lock.m_state = State::Failed;
        lock.m_failure = std::strerror(error);
    }
    return lock;
}

void UnitLock::release() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_state = State::None;
    m_ownerPid = -1;
    m_failure.clear();
}

std::string unitInUseText(const std::string& path, long ownerPid) {
    std::string text = "the unit at " + path + " is in use by another program";
    if (ownerPid > 0) text += " (pid " + std::to_string(ownerPid) + ")";
    return text;
}

}  // namespace vt::devices
