// Confirmation, resending and failure of tracked writes.
#include "service/write_tracker.h"

#include <vector>

namespace vt::service {
namespace {
constexpr int kWriteAttempts = 3;
}  // namespace

void WriteTracker::add(const QueuedWrite& write, Done done) {
    m_pending.push_back({write, 1, std::move(done)});
    m_session.writeParameter(write.address, write.value);
}

bool WriteTracker::confirmed(int address, int value) {
    auto match = m_pending.end();
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->write.address == address && it->write.value == value) {
            match = it;
            break;
        }
    }
    if (match == m_pending.end()) return false;
    std::vector<Done> answered;
    const auto end = std::next(match);
    for (auto it = m_pending.begin(); it != end;) {
        if (it->write.address == address) {
            answered.push_back(std::move(it->done));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& done : answered) done(std::nullopt);
    return true;
}

void WriteTracker::poll() {
    if (m_pending.empty() || !m_session.idle()) return;
    // Idle without these answers: they went astray. Writing again is harmless.
    std::vector<Done> failed;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->attempts >= kWriteAttempts) {
            failed.push_back(std::move(it->done));
            it = m_pending.erase(it);
            continue;
        }
        ++it->attempts;
        m_session.writeParameter(it->write.address, it->write.value);
        ++it;
    }
    const std::string why =
        "the unit did not answer the write (" + std::to_string(kWriteAttempts) + " attempts)";
    for (auto& done : failed) done(why);
}

void WriteTracker::failAll(const std::string& why) {
    std::list<Pending> pending;
    pending.swap(m_pending);
    for (auto& p : pending) p.done(why);
}

}  // namespace vt::service
