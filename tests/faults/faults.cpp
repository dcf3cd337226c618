#include "faults.h"

namespace faults {

const char kBadFormat[] = "Conduit Fehler: Ung\374ltiges Datensatz Format!";

// cases\<test>\desktop\Data -> the test's working folder, where the build
// links full-device to /dev/full.
const char kFullDevice[] = "..\\..\\..\\..\\full-device";

const char* ReportFileValue(int category) {
    static const char* const values[] = {"TaskReportFile", "ExpenseReportFile", "RouteReportFile",
                                         "MemoReportFile", "ContactReportFile"};
    return values[category - 1];
}

int ReportIndex(int category) {
    static const int index[] = {0, 1, 2, 4, 3};
    return index[category - 1];
}

std::string Note(int n) {
    std::string digits = std::to_string(n);
    return "rec<" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits + ">.";
}

HandheldRecord Record(int category, int n, bool dirty) {
    static const char* const heads[] = {
        "1.2.01,8:00,1:00,Kunde,Projekt,Arbeit,",
        "2.1.01,Kunde,Projekt,Taxi,2,12.50,25.00,",
        "3.1.01,Kunde,Projekt,Besuch,Berlin,Potsdam,10500,10536,36,",
        "4.1.01,Kunde,Projekt,Layout,",
        "5.1.01,Kunde,Projekt,Angebot,Anna,",
    };
    return {category, dirty, heads[category - 1] + Note(n)};
}

bool LogHas(const Log& log, const std::string& text) {
    for (const LogEntry& entry : log) {
        if (entry.text == text) return true;
    }
    return false;
}

}  // namespace faults
