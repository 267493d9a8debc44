// Sentences and JSON for the doctor's findings.
#include "app/doctor_report.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

namespace vt::doctor {
namespace {

const char* transportName(Transport t) {
    switch (t) {
        case Transport::Uart:
            return "uart";
        case Transport::Simulated:
            return "simulated";
        case Transport::Usb:
            break;
    }
    return "usb";
}

const char* accessName(Access a) {
    switch (a) {
        case Access::Denied:
            return "denied";
        case Access::Busy:
            return "busy";
        case Access::Ok:
            break;
    }
    return "ok";
}

nlohmann::json orNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

void fixAndNote(std::ostream& out, const std::string& fix, const std::string& note) {
    if (!fix.empty()) out << "  Fix: " << fix << "\n";
    if (!note.empty()) out << "  Note: " << note << "\n";
}

}  // namespace

bool anyAnswered(const Findings& findings) {
    return std::any_of(findings.units.begin(), findings.units.end(),
                       [](const UnitCheck& u) { return u.answered; });
}

std::string reportText(const Findings& f) {
    std::ostringstream out;
    if (f.units.empty())
        out << "No unit found: no HID device with vendor 0x0483 and product 0x690E is present. "
               "Plug the unit in (or try --simulate).\n";
    for (const auto& u : f.units) {
        out << "Unit " << u.path;
        if (!u.usbPath.empty()) out << " (USB " << u.usbPath << ")";
        out << ": ";
        if (u.access == Access::Denied)
            out << "cannot be used: " << u.reason << ".\n";
        else
            out << "this user may open it.\n";
        if (u.access != Access::Denied)
            out << "  "
                << (u.answered ? "It answered the start report."
                               : "It did not answer the start report in time.")
                << "\n";
        fixAndNote(out, u.fix, u.note);
    }
    // Of several units, one is picked by its path.
    if (f.units.size() > 1)
        out << "Several units: pick one with --device PATH (the path as listed above).\n";
    if (f.rule.installed)
        out << "udev rule: installed at " << f.rule.path << ".\n";
    else
        out << "udev rule: not installed.\n  Fix: " << f.rule.fix << "\n";
    if (f.serialPorts.empty()) out << "Serial ports: no USB serial adapter present.\n";
    for (const auto& p : f.serialPorts) {
        out << "Serial port " << p.name << ": "
            << (p.ok ? "this user may open it." : "cannot be opened: " + p.reason + ".") << "\n";
        fixAndNote(out, p.fix, p.note);
    }
    out << (anyAnswered(f) ? "A unit answered: the programs can use it.\n" : "No unit answered.\n");
    return out.str();
}

std::string reportJson(const Findings& f) {
    nlohmann::ordered_json units = nlohmann::ordered_json::array();
    for (const auto& u : f.units)
        units.push_back({{"path", u.path},
                         {"transport", transportName(u.transport)},
                         {"access", accessName(u.access)},
                         {"answered", u.answered},
                         {"fix", orNull(u.fix)},
                         {"note", orNull(u.note)},
                         {"usb_path", orNull(u.usbPath)},
                         {"reason", orNull(u.reason)}});
    nlohmann::ordered_json ports = nlohmann::ordered_json::array();
    for (const auto& p : f.serialPorts)
        ports.push_back({{"name", p.name},
                         {"access", p.ok ? "ok" : "denied"},
                         {"fix", orNull(p.fix)},
                         {"note", orNull(p.note)},
                         {"reason", orNull(p.reason)}});
    nlohmann::ordered_json rule = {{"installed", f.rule.installed}, {"path", orNull(f.rule.path)}};
    if (!f.rule.installed) rule["fix"] = f.rule.fix;
    const nlohmann::ordered_json all = {
        {"units", std::move(units)}, {"udev_rule", std::move(rule)}, {"serial_ports", ports}};
    return all.dump() + "\n";
}

}  // namespace vt::doctor
