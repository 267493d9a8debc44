// The two ends of an in-process client.
#include "service/loopback_channel.h"

#include <QTimer>

namespace vt::service {

std::pair<LoopbackChannel*, LoopbackChannel*> LoopbackChannel::makePair() {
    auto* service = new LoopbackChannel;
    auto* client = new LoopbackChannel;
    service->m_other = client;
    client->m_other = service;
    return {service, client};
}

void LoopbackChannel::sendMessage(const std::string& json) {
    if (m_closed || !m_other) return;
    QPointer<LoopbackChannel> other = m_other;
    QTimer::singleShot(0, other, [other, json] {
        if (other && !other->m_closed) emit other->messageReceived(json);
    });
}

void LoopbackChannel::close() {
    end();
    if (m_other) m_other->end();
}

void LoopbackChannel::end() {
    if (m_closed) return;
    m_closed = true;
    QTimer::singleShot(0, this, [this] {
        emit closed();
        deleteLater();
    });
}

}  // namespace vt::service
