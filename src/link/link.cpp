// The link's wiring: model and frame writer hookup, the bounded history list, transport form.
#include "link/link.h"

#include <algorithm>

#include "link/transfer_layout.h"

namespace vt {

Link::Link(ParameterModel& model, LinkHost& host, LinkTimers timers)
    : m_model(model), m_host(host), m_timers(timers) {
    m_model.setWriteSink(this);
    m_writer.setHost(this);
}

Link::~Link() {
    m_model.releaseWriteSink(this);
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

void Link::raiseMessage(std::string_view text, std::string_view caption) {
    // The next report is parsed inside an open box's event loop, so a unit that keeps sending
    // error replies would stack box on box: while a box with this text is open, further ones
    // are counted in the history list instead of shown.
    const std::string message(text);
    if (std::find(m_openMessages.begin(), m_openMessages.end(), message) != m_openMessages.end()) {
        addToHistory("NOT SHOWN (already open): " + message + " x" +
                     std::to_string(++m_repeatedMessages));
        return;
    }
    m_openMessages.push_back(message);
    m_host.showMessage(text, caption);
    m_openMessages.pop_back();
    if (m_openMessages.empty()) m_repeatedMessages = 0;
}

void Link::showReportId(const std::string& text) {
    m_host.showReportId(text);
}

}  // namespace vt
