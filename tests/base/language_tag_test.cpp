#include "base/language_tag.h"

#include <gtest/gtest.h>

#include <map>

namespace tessaly {
namespace {

TEST(LanguageTagTest, LocaleNamesBecomeBcp47Tags) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"de_AT.UTF-8", "de-AT"},
        {"sr_RS@latin", "sr-Latn-RS"},
        {"pt_BR", "pt-BR"},
        {"es_419.UTF-8", "es-419"},
        {"EN_us", "en-US"},
        {"fr", "fr"},
        {"ca_ES@valencia", "ca-ES"},
        {"C", "en"},
        {"C.UTF-8", "en"},
        {"POSIX", "en"},
        {"", ""},
        {"1234", ""},
        {"english_GB", ""},
    };
    for (const auto& [locale, tag] : cases) {
        EXPECT_EQ(LanguageTagOfLocale(locale), tag) << locale;
    }
}

TEST(LanguageTagTest, TheFirstVariableThatNamesALanguageWins) {
    struct Case {
        std::map<std::string, std::string> variables;
        std::string tag;
    };
    const Case cases[] = {
        {{{"LANGUAGE", "fr_CA:de"}, {"LC_ALL", "it_IT.UTF-8"}, {"LANG", "es_ES"}}, "fr-CA"},
        {{{"LANGUAGE", ""}, {"LC_ALL", "it_IT.UTF-8"}, {"LANG", "es_ES"}}, "it-IT"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP"}, {"LANG", "es_ES"}}, "ja-JP"},
        {{{"LANG", "nb_NO.UTF-8"}}, "nb-NO"},
        {{}, "en"},
    };
    for (const Case& c : cases) {
        const auto variable = [&](const char* name) -> const char* {
            const auto found = c.variables.find(name);
            return found == c.variables.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(UserLanguageTag(variable), c.tag);
    }
}

}  // namespace
}  // namespace tessaly
