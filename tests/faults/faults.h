// Shared pieces of the fault-injection tests: the conduit's log texts, one
// handheld record of every kind with a note that names it, and checks on the
// handheld's databases.
#pragma once

#include <string>
#include <vector>

#include "conduit_host.h"

namespace faults {

extern const char kBadFormat[];

// The registry value naming the report file of a category (1 to 5).
const char* ReportFileValue(int category);
// The report index of a category: Task 0, Expense 1, Route 2, Memo 4, Contact 3.
int ReportIndex(int category);
// A report file on a device that refuses every write, seen from a case's data directory.
extern const char kFullDevice[];

bool LogHas(const Log& log, const std::string& text);

}  // namespace faults
