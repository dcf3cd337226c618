// The data directory and the five open report files of a run.
#pragma once

#include <cstdint>
#include <cstdio>

#include "settings.h"

// Open report streams and the data lines written to each during this run,
// indexed Task, Expense, Route, Contact, Memo. Two kinds configured with the
// same file name share one stream.
extern std::FILE* reportFiles[kReportCount];
extern uint32_t reportCounters[kReportCount];

// Makes sure the data directory exists (creating one level) and opens the
// five report files; logs what it does. False when the directory is missing
// and cannot be created, is not a directory, or a file cannot be opened (the
// files opened so far are closed again).
bool OpenReportFiles(const char* directory);
// Opens directory\fileName for appending (SyncBackupMethod 1) or rewriting.
// A path longer than 259 characters is not opened.
std::FILE* OpenReportFile(const char* directory, const char* fileName);
// Closes every open report stream.
void CloseReportFiles();
// Flushes every open report stream; false when a stream reports an error.
bool FlushReportFiles();
