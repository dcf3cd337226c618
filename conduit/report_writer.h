// Appends the report line of one parsed record to the report file of its
// kind, with the title, the column names or a separator line first where due.
#pragma once

#include "records.h"

// Writes to reportFiles[ReportIndex(kind)] under the current ConduitSettings,
// with pilotId and userId in the first columns, and counts the line in
// reportCounters. Every line end (also a line feed inside a text) is written
// as carriage return and line feed. The record's lines go to the stream as
// one unit; the result is nonzero when the stream took them, zero when it
// has failed (a write error shows at the latest when the stream is flushed)
// or the kind's stream is not open.
int WriteReportLine(RecordKind kind, const RecordFields& fields);
