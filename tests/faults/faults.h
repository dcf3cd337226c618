// Shared pieces of the fault-injection tests: the conduit's log texts, one
// handheld record of every kind with a note that names it, and checks on the
// handheld's databases.
#pragma once

#include <string>
#include <vector>

#include "conduit_host.h"

namespace faults {

extern const char kWarn[];
extern const char kProps[];
extern const char kAddFailed[];
extern const char kOpenDB[];
extern const char kOpenFiles[];
extern const char kCreateDir[];
extern const char kInvalidDir[];
extern const char kBadFormat[];

// Report file names by report index (Task, Expense, Route, Contact, Memo).
extern const char* const kFiles[5];
// The registry value naming the report file of a category (1 to 5).
const char* ReportFileValue(int category);
// The report index of a category: Task 0, Expense 1, Route 2, Memo 4, Contact 3.
int ReportIndex(int category);
// A report file on a device that refuses every write, seen from a case's data directory.
extern const char kFullDevice[];

// A record of the category whose notes read "rec<n>." (unique for n < 1000).
HandheldRecord Record(int category, int n, bool dirty = true);
std::string Note(int n);

bool Contains(const std::string& haystack, const std::string& needle);
bool LogHas(const Log& log, const std::string& text);
int DirtyCount(const palm::Database& db);
std::string Text(const palm::Record& r);

}  // namespace faults
