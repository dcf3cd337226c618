// The user's language code (the Windows abbreviated language name of the
// user's locale, such as DEU) where the platform has no GetLocaleInfoA: from
// the POSIX locale settings.
#pragma once

#include <string>

// The code of a POSIX locale name language[_TERRITORY][.codeset][@modifier]:
// de_AT gives DEA, de alone DEU (the language's main country), a territory
// the table does not know the language's main country too; C, POSIX, an
// empty name and an unknown language give ENU.
std::string LanguageCodeForLocale(const std::string& locale);

// The code of the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty.
std::string UserLanguageFromEnvironment();
