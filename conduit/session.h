// One HotSync of the conduit, and the HotSync log writer that every part of
// the library writes through.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kIdSize = 64;  // pilotId, userId: 63 characters and terminator

// HotSync user name and the handheld's "UID" property of the current run.
extern char pilotId[kIdSize];
extern char userId[kIdSize];

// Writes one text line to the HotSync log, opening the conduit's section
// first when this run has not written one yet. A message text is never a
// format: "%%" gives "%", every other "%" is written as it stands.
void LogMessage(const char* text);
// Writes format with its "%s" replaced by the arguments in turn; an argument
// that the format has no "%s" for follows after a blank. The arguments are
// written as they stand. The line is cut at 4095 bytes.
void LogMessage(const char* format, const char* argument, const char* second = nullptr);
// A warning that a record's field was cut, as LogMessage(format, date) but
// capped: the first 20 cut warnings that reach the log in a run are
// written, the others only counted (a held warning counts once released).
void LogCutWarning(const char* format, const char* date);
// Writes one line with the number of the cut warnings that were counted
// but not written, if any, and begins counting anew.
void LogOtherCutWarnings();
// Closes the conduit's section as finished or aborted, after the line of
// LogOtherCutWarnings.
void LogFinish();
void LogAbort();
// Starts a new log section: the next line opens it with the conduit's header.
void ResetLogHeader();
// Writes a finished section of its own that holds text alone, without the
// conduit's header and apart from the section that the lines above open.
void LogSectionOfOneLine(const char* text);

// While lines are held, the log writer keeps them in order instead of
// writing them; the session releases them once it knows that the step they
// belong to took place, and drops the rest.
void HoldLogLines();
size_t HeldLogLines();
// Lines written from now on go to the log again; the held ones wait.
void StopHoldingLogLines();
void ReleaseLogLines(size_t count);  // writes the first count held lines not yet written
void DropLogLines();                 // forgets the lines not yet written and stops holding

// Where the log writer's entries go: the HotSync log in the conduit library,
// standard error in the report command. Each program defines it, and only
// the log writer above calls it: the functions above are the one way into
// the log.
void WriteLogEntry(const char* text, int activity);

// Activity codes of the log entries.
constexpr int kLogActivityStart = 19;
constexpr int kLogActivityText = -1;
constexpr int kLogActivityFinish = 20;
constexpr int kLogActivityAbort = 17;

#ifdef _WIN32
#include "hotsync.h"
// Runs one synchronisation; 0 on success, -1 on failure.
int32_t SyncSession(ProgressFn progress, const SyncProperties& properties);
#endif
