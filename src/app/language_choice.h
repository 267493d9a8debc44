// Which language both programs start in: the --lang option, else the language the user last
// switched to in the window, else the system's locale.
#pragma once

#include <QSettings>
#include <optional>

namespace vt::app {

// Where both programs keep what they remember (~/.config/vortella/vortella.conf).
inline QSettings programSettings() {
    return QSettings("vortella", "vortella");
}

// The language flag for this run.
int startLanguage(std::optional<int> option, const QSettings& settings);
// Remembers the user's switch for the next start of either program.
void rememberLanguage(QSettings& settings, int flag);

}  // namespace vt::app
