// One HotSync of the conduit, and the HotSync log writer that every part of
// the library writes through.
#pragma once

#include <cstdint>

constexpr int kIdSize = 64;  // pilotId, userId: 63 characters and terminator

// HotSync user name and the handheld's "UID" property of the current run.
extern char pilotId[kIdSize];
extern char userId[kIdSize];

// Writes one text line to the HotSync log, opening the conduit's section
// first when this run has not written one yet. A message text is never a
// format: "%%" gives "%", every other "%" is written as it stands.
void LogMessage(const char* text);
// Writes format (one "%s") with argument; the line is cut at 4095 bytes.
void LogMessage(const char* format, const char* argument);
// Closes the conduit's section as finished or aborted.
void LogFinish();
void LogAbort();
// Starts a new log section: the next line opens it with the conduit's header.
void ResetLogHeader();

#ifdef _WIN32
#include "hotsync.h"
// Runs one synchronisation; 0 on success, -1 on failure.
int32_t SyncSession(ProgressFn progress, const SyncProperties& properties);
#endif
