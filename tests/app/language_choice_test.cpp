// The start language: the option over the remembered switch over the system's locale.
#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include "app/language_choice.h"
#include "model/text_pairs.h"

namespace vt::app {
namespace {

TEST(LanguageChoice, OptionThenRememberedThenLocale) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(languageOfLocale(QLocale::system().name().toStdString()),
              startLanguage(std::nullopt, settings));  // nothing remembered: the system's
    rememberLanguage(settings, kLanguageEnglish);
    EXPECT_EQ(startLanguage(std::nullopt, settings), kLanguageEnglish);
    EXPECT_EQ(startLanguage(kLanguageChinese, settings), kLanguageChinese);
    rememberLanguage(settings, kLanguageChinese);
    EXPECT_EQ(startLanguage(std::nullopt, settings), kLanguageChinese);
    EXPECT_EQ(startLanguage(kLanguageEnglish, settings), kLanguageEnglish);
    // A value edited by hand that names no language counts as nothing remembered.
    settings.setValue("language", "klingon");
    EXPECT_EQ(startLanguage(std::nullopt, settings),
              languageOfLocale(QLocale::system().name().toStdString()));
}

TEST(LanguageChoice, ChineseLocalesAskForChinese) {
    const std::pair<const char*, int> cases[] = {{"zh_CN", 1}, {"zh_TW.UTF-8", 1}, {"zh", 1},
                                                 {"en_GB", 0}, {"C", 0},           {"", 0}};
    for (auto [locale, flag] : cases) EXPECT_EQ(languageOfLocale(locale), flag) << locale;
}

}  // namespace
}  // namespace vt::app
