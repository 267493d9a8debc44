// The window program's options: each one row of the table below, with what it sets.
#include "app/gui_options.h"

#include <QCommandLineParser>
#include <functional>
#include <vector>

#include "app/capture_option.h"
#include "app/help_request.h"
#include "app/program_version.h"
#include "model/text_pairs.h"

namespace vt::app {
namespace {

// Applies an option's value; returns why the value is wrong, or an empty string.
using ApplyOption = std::function<QString(GuiOptions&, const QString& value)>;

struct OptionRow {
    QCommandLineOption option;
    ApplyOption apply;
};

std::vector<OptionRow> optionTable() {
    return {
        {{"simulate", "List a simulated unit beside the real devices and use it."},
         [](GuiOptions& o, const QString&) {
             o.hub.simulate = true;
             return QString();
         }},
        {{"transport", "How the unit is reached: usb (default) or uart.", "usb|uart", "usb"},
         [](GuiOptions& o, const QString& v) {
             if (v != "usb" && v != "uart")
                 return QString("--transport takes usb or uart, not '%1'").arg(v);
             o.hub.transport = v == "uart" ? TransportKind::Uart : TransportKind::UsbHid;
             return QString();
         }},
        {{"port", "With --transport uart: the serial port to try first (ttyUSB0).", "NAME"},
         [](GuiOptions& o, const QString& v) {
             o.hub.port = v;
             return QString();
         }},
        {{"device",
          "Open the unit at PATH (a hidraw node, or with --transport uart a serial port) instead "
          "of searching.",
          "PATH"},
         [](GuiOptions& o, const QString& v) {
             if (v.isEmpty()) return QString("--device needs the path of the unit's node");
             o.hub.devicePath = v;
             return QString();
         }},
        {{"reset-settings", "Forget the remembered window position and preset folder."},
         [](GuiOptions& o, const QString&) {
             o.resetSettings = true;
             return QString();
         }},
        {{"lang", "The language of this run: en or zh (default: the last one chosen).", "en|zh"},
         [](GuiOptions& o, const QString& v) {
             o.language = languageFromName(v.toStdString());
             return o.language ? QString() : QString("--lang takes en or zh, not '%1'").arg(v);
         }},
        {{"capture", "Record every report to and from the unit in FILE (pcapng, USB only).",
          "FILE"},
         [](GuiOptions& o, const QString& v) {
             o.capture = v;
             return v.isEmpty() ? QString("--capture needs a file") : QString();
         }},
        {{"log-link", "Print every text of the link label on the error stream."},
         [](GuiOptions& o, const QString&) {
             o.logLink = true;
             return QString();
         }},
    };
}

constexpr const char* kProgram = "vortella";

// The parser's help, with this program's name (it is read before the application exists).
QString helpText(const QCommandLineParser& parser) {
    return parser.helpText().replace("<executable_name>", kProgram);
}

QString usageLine(const QCommandLineParser& parser) {
    const QString help = helpText(parser);
    return help.left(help.indexOf('\n') + 1);
}

// The toolkit's own options (a session manager restarts the program with -session NAME; a user
// may choose -platform or -style), one or two dashes, a value apart or after '='. The toolkit
// takes them from the command line itself; they are left out of the program's own reading.
QStringList withoutToolkitOptions(const QStringList& arguments) {
    static const QStringList withValue{"platform",        "platformpluginpath",
                                       "platformtheme",   "plugin",
                                       "qwindowgeometry", "qwindowicon",
                                       "qwindowtitle",    "style",
                                       "stylesheet",      "session",
                                       "display",         "name",
                                       "title",           "geometry",
                                       "visual"};
    static const QStringList alone{"reverse", "widgetcount", "nograb", "dograb", "sync"};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (i == 0 || !word.startsWith('-')) {
            kept << word;
            continue;
        }
        const QString name = word.mid(word.startsWith("--") ? 2 : 1).section('=', 0, 0);
        if (withValue.contains(name)) {
            if (!word.contains('=')) ++i;  // its value is the next word
        } else if (!alone.contains(name)) {
            kept << word;
        }
    }
    return kept;
}

}  // namespace

GuiCommandLine parseGuiCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Control program for the KV series digital audio processor.");
    parser.addOption({{"h", "help"}, "Show this help (anywhere on the line)."});
    parser.addVersionOption();
    const std::vector<OptionRow> table = optionTable();
    for (const auto& row : table) parser.addOption(row.option);

    GuiCommandLine result;
    const QString program = kProgram;
    const QStringList words = withoutToolkitOptions(arguments);
    // --help and --version answer wherever they stand, as in the command-line program.
    std::vector<std::string> options;
    for (qsizetype i = 1; i < words.size(); ++i) options.push_back(words[i].toStdString());
    if (const HelpRequest asked = helpRequest(options); asked != HelpRequest::None) {
        result.exitCode = 0;
        result.text =
            asked == HelpRequest::Help ? helpText(parser) : program + " " + kProgramVersion + "\n";
        return result;
    }
    if (!parser.parse(words)) {
        result.exitCode = 1;
        result.text = program + ": " + parser.errorText() + "\n" + usageLine(parser);
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitCode = 1;
        result.text = program + ": unexpected argument '" + parser.positionalArguments().front() +
                      "'\n" + usageLine(parser);
        return result;
    }
    for (const auto& row : table) {
        if (!parser.isSet(row.option)) continue;
        const QString why = row.apply(result.options, parser.value(row.option));
        if (!why.isEmpty()) {
            result.exitCode = 1;
            result.text = program + ": " + why + "\n" + usageLine(parser);
            return result;
        }
    }
    if (!result.options.hub.port.isEmpty() && result.options.hub.transport != TransportKind::Uart) {
        result.exitCode = 1;
        result.text = program + ": --port needs --transport uart\n" + usageLine(parser);
    } else if (!result.options.hub.devicePath.isEmpty() &&
               (result.options.hub.simulate || !result.options.hub.port.isEmpty())) {
        result.exitCode = 1;
        result.text = program +
                      ": --device names the unit itself; it cannot be used with --simulate or "
                      "--port\n" +
                      usageLine(parser);
    }
    if (!result.options.capture.isEmpty() && result.options.hub.transport == TransportKind::Uart) {
        result.exitCode = 1;
        result.text = program + ": " + kCaptureNeedsUsb + "\n" + usageLine(parser);
    }
    return result;
}

}  // namespace vt::app
