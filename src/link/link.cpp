// The link's wiring: model and frame writer hookup, the bounded history list, transport form.
#include "link/link.h"

#include "link/transfer_layout.h"

namespace vt {

Link::Link(ParameterModel& model, LinkHost& host, LinkTimers timers)
    : m_model(model), m_host(host), m_timers(timers) {
    m_model.setWriteSink(this);
    m_writer.setHost(this);
}

Link::~Link() {
    m_model.setWriteSink(nullptr);
}

bool Link::uart() const {
    const Transport* t = m_writer.transport();
    return t && t->kind() == TransportKind::Uart;
}

int Link::transferAddress(int step, int packetIndex) {
    // Module and first slot on both transports: a request or packet names the slots it carries.
    return step * 256 + packetIndex * link::kValuesPerPacket;
}

void Link::addToHistory(const std::string& line) {
    const std::size_t dropped = m_history.add(line);
    m_host.historyLineAdded(line, dropped);
}

void Link::showReportId(const std::string& text) {
    m_host.showReportId(text);
}

}  // namespace vt
