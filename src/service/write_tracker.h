// Parameter writes that wait for the unit's answer, any number at once: each is answered when the
// unit confirmed it (a write overtaken by a later one to the same parameter, which the send queue
// merges into it, is answered with that one). A write whose answer went astray is sent again when
// the link is idle; after three unanswered attempts it fails.
#pragma once

#include <functional>
#include <list>
#include <optional>
#include <string>

#include "link/write_queue.h"
#include "service/unit_session.h"

namespace vt::service {

class WriteTracker {
  public:
    // nullopt when the unit confirmed the write, else why it failed.
    using Done = std::function<void(const std::optional<std::string>& failure)>;

    explicit WriteTracker(UnitSession& session) : m_session(session) {}

    // Writes now; the session must be connected.
    void add(const QueuedWrite& write, Done done);
    // The unit confirmed a write; true when it answered one of ours.
    bool confirmed(int address, int value);
    // Call while writes wait: resends or fails them once the link is idle without their answer.
    void poll();
    void failAll(const std::string& why);
    bool empty() const { return m_pending.empty(); }
    std::size_t size() const { return m_pending.size(); }

  private:
    struct Pending {
        QueuedWrite write;
        int attempts = 1;
        Done done;
    };
    UnitSession& m_session;
    std::list<Pending> m_pending;  // oldest first
};

}  // namespace vt::service
