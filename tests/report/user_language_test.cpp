// The user's language code from the POSIX locale settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "user_language.h"

namespace {

struct Setting {
    const char* name;
    const char* all;  // LC_ALL, LC_MESSAGES, LANG; null: unset
    const char* messages;
    const char* lang;
    const char* code;
};

class UserLanguage : public ::testing::TestWithParam<Setting> {};

TEST_P(UserLanguage, ComesFromTheFirstLocaleSetting) {
    const Setting& s = GetParam();
    const char* const names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const char* const values[] = {s.all, s.messages, s.lang};
    for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    EXPECT_EQ(UserLanguageFromEnvironment(), s.code);
}

INSTANTIATE_TEST_SUITE_P(
    Locale, UserLanguage,
    ::testing::Values(Setting{"CountryWithCodeSetAndModifier", nullptr, nullptr, "de_CH.UTF-8@euro",
                              "DES"},
                      Setting{"LanguageAloneIsItsMainCountry", nullptr, nullptr, "de", "DEU"},
                      Setting{"UnknownCountryIsTheMainOne", nullptr, nullptr, "fr_MA", "FRA"},
                      Setting{"CLocaleIsEnglish", nullptr, nullptr, "C.UTF-8", "ENU"},
                      Setting{"NothingSetIsEnglish", nullptr, nullptr, nullptr, "ENU"},
                      Setting{"AllBeforeMessages", "it_IT", "de_DE", "en_GB", "ITA"},
                      Setting{"EmptyAllSkippedAndMessagesBeforeLang", "", "nl_BE", "en_GB", "NLB"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
