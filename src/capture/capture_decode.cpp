// The JSON lines and the summary of a decoded capture.
#include "capture/capture_decode.h"

#include <nlohmann/json.hpp>
#include <vector>

#include "capture/report_decoder.h"
#include "model/number_text.h"
#include "model/slot_names.h"

namespace vt::capture {
namespace {

using json = nlohmann::ordered_json;

std::string_view directionName(Direction d) {
    return d == Direction::Out ? "out" : "in";
}

// Seconds with the capture's microseconds, printed as written ("1.0025", not "1.00249999").
double seconds(std::int64_t micros) {
    return *parseReal(formatFixed(static_cast<double>(micros) / 1e6, 6));
}

std::string hexText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (auto b : bytes) text += (text.empty() ? "" : " ") + hexByte(b);
    return text;
}

json reportJson(const UnitTransfer& t, const DecodedReport& d) {
    json line;
    line["t"] = seconds(t.micros);
    line["dir"] = directionName(t.direction);
    line["kind"] = kindName(d.kind);
    if (d.command) line["command"] = *d.command;
    if (d.address) line["address"] = *d.address;
    if (!d.name.empty()) line["name"] = d.name;
    if (d.value) line["value"] = *d.value;
    if (d.checksumOk) line["checksum_ok"] = *d.checksumOk;
    line["hex"] = hexText(t.bytes);
    return line;
}

// Lines counted in the order they first came.
class Tally {
  public:
    void add(const std::string& line) {
        for (auto& [text, count] : m_lines)
            if (text == line) {
                ++count;
                return;
            }
        m_lines.emplace_back(line, 1);
    }
    int total() const {
        int n = 0;
        for (const auto& entry : m_lines) n += entry.second;
        return n;
    }
    void print(std::ostream& out, std::string_view heading) const {
        for (const auto& [text, count] : m_lines)
            out << heading << ": " << count << " x " << text << "\n";
    }

  private:
    std::vector<std::pair<std::string, int>> m_lines;
};

}  // namespace

std::string decodeCapture(CaptureReader& reader, std::ostream& out, bool summary) {
    ReportDecoder decoder;
    int sent = 0;
    int received = 0;
    Tally unread;
    Tally wrongChecksum;
    while (const auto transfer = reader.next()) {
        const DecodedReport d = decoder.decode(transfer->direction, transfer->bytes);
        const std::string_view dir = directionName(transfer->direction);
        ++(transfer->direction == Direction::Out ? sent : received);
        if (!summary) {
            out << reportJson(*transfer, d).dump() << "\n";
            continue;
        }
        for (const ParameterWrite& w : d.writes)
            out << slotName(w.address) << " = " << w.value << "\n";
        if (d.kind == DecodedReport::Kind::Unknown)
            unread.add(std::string(dir) + ": " + d.problem);
        else if (d.checksumOk == false)
            wrongChecksum.add(std::string(dir) + ": " + std::string(kindName(d.kind)));
    }
    if (summary) {
        out << "reports: " << sent + received << " (" << sent << " out, " << received << " in), "
            << wrongChecksum.total() << " with a wrong checksum, " << unread.total()
            << " not read\n";
        wrongChecksum.print(out, "wrong checksum");
        unread.print(out, "not read");
    }
    out.flush();
    return reader.problem();
}

}  // namespace vt::capture
