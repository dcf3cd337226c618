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

// Sets the variable, or unsets it for null.
void Set(const char* variable, const char* value) {
    value != nullptr ? setenv(variable, value, 1) : unsetenv(variable);
}

class UserLanguage : public ::testing::TestWithParam<Setting> {};

TEST_P(UserLanguage, ComesFromTheFirstLocaleSetting) {
    const Setting& s = GetParam();
    Set("LC_ALL", s.all);
    Set("LC_MESSAGES", s.messages);
    Set("LANG", s.lang);
    EXPECT_EQ(UserLanguageFromEnvironment(), s.code);
}

INSTANTIATE_TEST_SUITE_P(
    Locale, UserLanguage,
    ::testing::Values(Setting{"GermanGermany", nullptr, nullptr, "de_DE.UTF-8", "DEU"},
                      Setting{"GermanAustria", nullptr, nullptr, "de_AT", "DEA"},
                      Setting{"GermanSwitzerland", nullptr, nullptr, "de_CH.UTF-8@euro", "DES"},
                      Setting{"EnglishBritain", nullptr, nullptr, "en_GB.ISO-8859-1", "ENG"},
                      Setting{"PortugueseBrazil", nullptr, nullptr, "pt_BR.UTF-8", "PTB"},
                      Setting{"LanguageAloneIsItsMainCountry", nullptr, nullptr, "de", "DEU"},
                      Setting{"UnknownCountryIsTheMainOne", nullptr, nullptr, "fr_MA", "FRA"},
                      Setting{"UnknownLanguageIsEnglish", nullptr, nullptr, "xx_YY", "ENU"},
                      Setting{"PosixLocale", nullptr, nullptr, "POSIX", "ENU"},
                      Setting{"CLocale", nullptr, nullptr, "C.UTF-8", "ENU"},
                      Setting{"NothingSet", nullptr, nullptr, nullptr, "ENU"},
                      Setting{"AllBeforeMessages", "it_IT", "de_DE", "en_GB", "ITA"},
                      Setting{"MessagesBeforeLang", nullptr, "nl_BE", "en_GB", "NLB"},
                      Setting{"EmptyOnesAreSkipped", "", "", "sv_FI", "SVF"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
