// Command line of the window program: one table of options read with QCommandLineParser, the
// answers to --help and --version, and the usage line on a bad option.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "devices/device_hub.h"

namespace vt::app {

struct GuiOptions {
    devices::HubOptions hub;
    bool resetSettings = false;   // forget the remembered position and preset folder
    bool logLink = false;         // print every link label text on the error stream
    std::optional<int> language;  // --lang: the language flag for this run
    QString capture;              // --capture: where to record the unit's reports
};

struct GuiCommandLine {
    GuiOptions options;
    // -1: start the window; otherwise end at once with this exit code after printing `text`
    // (to the output stream when the code is 0, else to the error stream).
    int exitCode = -1;
    QString text;
};

// Reads the program's arguments (arguments[0] is the program name).
GuiCommandLine parseGuiCommandLine(const QStringList& arguments);

}  // namespace vt::app
