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

bool LogHas(const Log& log, const std::string& text) {
    for (const LogEntry& entry : log) {
        if (entry.text == text) return true;
    }
    return false;
}

}  // namespace faults
