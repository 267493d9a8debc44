// One program's claim on a unit: an exclusive advisory lock (flock) on the unit's node, a hidraw
// node or a serial port's device file, held for as long as the program uses the unit. A program
// that finds the unit locked leaves it alone and can name the process that holds it.
#pragma once

#include <string>

namespace vt::devices {

class UnitLock {
  public:
    enum class State {
        None,    // nothing asked for, or released
        Held,    // this program owns the unit
        Owned,   // another program (or another lock of this one) holds it
        Failed,  // the node could not be opened or locked for another reason
    };

    UnitLock() = default;
    ~UnitLock();
    UnitLock(UnitLock&& other) noexcept;
    UnitLock& operator=(UnitLock&& other) noexcept;
    UnitLock(const UnitLock&) = delete;
    UnitLock& operator=(const UnitLock&) = delete;

    // Opens `path` read-only (close-on-exec, without making it the controlling terminal) and
    // locks it at once without waiting. Nothing is ever written through the descriptor.
    static UnitLock take(const std::string& path);

    State state() const { return m_state; }
    bool held() const { return m_state == State::Held; }
    bool owned() const { return m_state == State::Owned; }
    // Owned: the process that holds the lock, -1 when that cannot be known.
    long ownerPid() const { return m_ownerPid; }
    // Failed: the system's reason.
    const std::string& failure() const { return m_failure; }

    // Closes the descriptor, which ends the lock.
    void release();

  private:
    int m_fd = -1;
    State m_state = State::None;
    long m_ownerPid = -1;
    std::string m_failure;
};

// Why a unit found owned is not used, as a clause for "connecting failed: ..." and the window's
// hint: "the unit at /dev/hidraw3 is in use by another program (pid 1234)"; no pid when it is -1.
std::string unitInUseText(const std::string& path, long ownerPid);

}  // namespace vt::devices
