#include "user_language.h"

#include <cstdlib>

namespace {

struct Locale {
    const char* language;
    const char* territory;  // the first row of a language is its main country
    const char* code;
};

const Locale kLocales[] = {
    {"ar", "SA", "ARA"}, {"bg", "BG", "BGR"}, {"ca", "ES", "CAT"}, {"cs", "CZ", "CSY"},
    {"da", "DK", "DAN"}, {"de", "DE", "DEU"}, {"de", "AT", "DEA"}, {"de", "CH", "DES"},
    {"de", "LU", "DEL"}, {"de", "LI", "DEC"}, {"el", "GR", "ELL"}, {"en", "US", "ENU"},
    {"en", "GB", "ENG"}, {"en", "AU", "ENA"}, {"en", "CA", "ENC"}, {"en", "NZ", "ENZ"},
    {"en", "IE", "ENI"}, {"en", "ZA", "ENS"}, {"en", "IN", "ENN"}, {"es", "ES", "ESN"},
    {"es", "MX", "ESM"}, {"es", "AR", "ESS"}, {"es", "US", "EST"}, {"et", "EE", "ETI"},
    {"fi", "FI", "FIN"}, {"fr", "FR", "FRA"}, {"fr", "BE", "FRB"}, {"fr", "CA", "FRC"},
    {"fr", "CH", "FRS"}, {"fr", "LU", "FRL"}, {"he", "IL", "HEB"}, {"hr", "HR", "HRV"},
    {"hu", "HU", "HUN"}, {"is", "IS", "ISL"}, {"it", "IT", "ITA"}, {"it", "CH", "ITS"},
    {"ja", "JP", "JPN"}, {"ko", "KR", "KOR"}, {"lt", "LT", "LTH"}, {"lv", "LV", "LVI"},
    {"nb", "NO", "NOR"}, {"nl", "NL", "NLD"}, {"nl", "BE", "NLB"}, {"nn", "NO", "NON"},
    {"no", "NO", "NOR"}, {"pl", "PL", "PLK"}, {"pt", "PT", "PTG"}, {"pt", "BR", "PTB"},
    {"ro", "RO", "ROM"}, {"ru", "RU", "RUS"}, {"sk", "SK", "SKY"}, {"sl", "SI", "SLV"},
    {"sv", "SE", "SVE"}, {"sv", "FI", "SVF"}, {"tr", "TR", "TRK"}, {"uk", "UA", "UKR"},
    {"zh", "CN", "CHS"}, {"zh", "TW", "CHT"}, {"zh", "HK", "ZHH"},
};

}  // namespace

std::string LanguageCodeForLocale(const std::string& locale) {
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    const size_t underscore = name.find('_');
    const std::string language = name.substr(0, underscore);
    const std::string territory =
        underscore == std::string::npos ? std::string() : name.substr(underscore + 1);
    const Locale* main = nullptr;
    for (const Locale& row : kLocales) {
        if (language != row.language) continue;
        if (territory == row.territory) return row.code;
        if (main == nullptr) main = &row;
    }
    return main != nullptr ? main->code : "ENU";
}

std::string UserLanguageFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') return LanguageCodeForLocale(value);
    }
    return "ENU";
}
