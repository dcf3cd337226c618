// The user's language code from the POSIX locale settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "user_language.h"

namespace {

TEST(UserLanguage, ComesFromTheFirstLocaleSetting) {
    // LC_ALL, LC_MESSAGES, LANG (null: unset) and the code they give.
    const char* const rows[][4] = {{nullptr, nullptr, "de_CH.UTF-8@euro", "DES"},
                                   {nullptr, nullptr, "de", "DEU"},
                                   {nullptr, nullptr, "fr_MA", "FRA"},
                                   {nullptr, nullptr, "C.UTF-8", "ENU"},
                                   {nullptr, nullptr, nullptr, "ENU"},
                                   {"it_IT", "de_DE", "en_GB", "ITA"},
                                   {"", "nl_BE", "en_GB", "NLB"}};
    const char* const names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const auto& row : rows) {
        for (int i = 0; i < 3; ++i) row[i] ? setenv(names[i], row[i], 1) : unsetenv(names[i]);
        EXPECT_EQ(UserLanguageFromEnvironment(), row[3]) << "row " << &row - rows;
    }
}

}  // namespace
