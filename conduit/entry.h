// The library's exports and the little module-wide state they set up.
#pragma once

#include <windows.h>

#include "hotsync.h"
#include "settings.h"

// The library's own module handle, kept by LibMain.
extern HINSTANCE moduleHandle;
// Full path of the directory into which the reports are written.
extern char dataDirectory[kPathSize];

CONDUIT_API long LibMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
CONDUIT_API long OpenConduit(ProgressFn progress, SyncProperties& properties);
CONDUIT_API long ConfigureConduit(SyncPreference& preference);
CONDUIT_API long GetConduitName(char* buffer, WORD size);
CONDUIT_API DWORD GetConduitVersion();
