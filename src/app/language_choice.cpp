// The start language from the option, the remembered choice or the locale.
#include "app/language_choice.h"

#include <QLocale>

#include "model/text_pairs.h"

namespace vt::app {
namespace {
constexpr const char* kLanguageKey = "language";
}  // namespace

int startLanguage(std::optional<int> option, const QSettings& settings) {
    if (option) return *option;
    // A value that names no language (edited by hand) is as good as none.
    if (const auto remembered =
            languageFromName(settings.value(kLanguageKey).toString().toStdString()))
        return *remembered;
    return languageOfLocale(QLocale::system().name().toStdString());
}

void rememberLanguage(QSettings& settings, int flag) {
    settings.setValue(kLanguageKey, QString::fromUtf8(languageName(flag)));
}

}  // namespace vt::app
