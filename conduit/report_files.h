// The five report files of a run: opened in the data directory, one stream
// for two kinds whose names lead to one file, emptied all or none when a
// pass rewrites them (their former lines kept in histories when records are
// deleted), flushed, closed, or discarded when the pass never began.
#pragma once

#include <cstddef>
#include <cstdint>

#include "report_stream.h"
#include "settings.h"

// Open report streams and the data lines written to each during this run,
// indexed Task, Expense, Route, Contact, Memo. Two kinds whose file names lead
// to one file share one stream.
extern ReportStream* reportFiles[kReportCount];
extern uint32_t reportCounters[kReportCount];

// Makes sure the data directory exists (creating one level) and opens the
// five report files; logs what it does. False when the directory is missing
// and cannot be created, is not a directory, or a file cannot be opened (the
// files opened so far are closed again). Nothing is truncated yet. When a
// file cannot be opened and failedPath and reason are given, they receive
// its path (kPathSize bytes) and the platform's reason
// (ReportStream::kReasonSize bytes).
bool OpenReportFiles(const char* directory, char* failedPath = nullptr, char* reason = nullptr);
// Begins the pass: in rewrite mode (SyncBackupMethod other than 1) the
// reports are emptied, and with keepHistory each report's former contents are
// first appended to its history file (logged). All reports are emptied or
// none: false (logged, reports and histories as they were) when a history
// cannot be written or a report cannot be emptied.
bool BeginReportPass(bool keepHistory);
// Writes every buffer out and flushes each stream that got bytes since its
// last flush to the disk itself; false when a stream fails.
bool FlushReportFiles();
// Logs the file and the reason of every stream that has failed.
void LogReportFailures();
// Closes every open report stream; false when a last write fails.
bool CloseReportFiles();
// Closes every stream and removes the files that this run created: for a
// pass that never began.
void DiscardReportFiles();
// Name of the history file of a report: ".history" before the extension of
// its file name ("Notizen.txt" gives "Notizen.history.txt"), or at its end.
// False when it does not fit size bytes.
bool HistoryFileName(const char* reportPath, char* out, size_t size);
