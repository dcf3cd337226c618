// Appends the report line of one parsed record to the report file of its
// kind, with the title, the column names or a separator line first where due.
#pragma once

#include "records.h"

// Writes to reportFiles[ReportIndex(kind)] under the current ConduitSettings,
// with pilotId and userId in the first columns, and counts the line in
// reportCounters. Every line end (also a line feed inside a text) is written
// as carriage return and line feed. The line is flushed to the file: the
// result is nonzero only when the stream took it without error; zero too when
// the kind's stream is not open.
int WriteReportLine(RecordKind kind, const RecordFields& fields);
