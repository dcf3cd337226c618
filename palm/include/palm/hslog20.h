// HSLOG20.dll, the HotSync log: collects the entries of the current HotSync
// for the HotSync manager.
#pragma once

#ifdef HSLOG20_BUILD
#define HSLOG20_API __declspec(dllexport)
#else
#define HSLOG20_API __declspec(dllimport)
#endif

extern "C" {
// The conduit's interface. text may be null (an empty entry); timestamp
// non-zero asks for the time in the readable log.
HSLOG20_API long __cdecl LogAddEntry(const char* text, int activity, int timestamp);

// The host's interface. Entries stay until LogHostReset.
HSLOG20_API void __cdecl LogHostReset();
HSLOG20_API long __cdecl LogHostCount();
// Entry index: its text (valid until the next LogAddEntry or LogHostReset),
// activity, timestamp flag and the local time it was added ("HH:MM:SS").
// Returns null for an index out of range.
HSLOG20_API const char* __cdecl LogHostEntry(long index, int* activity, int* timestamp,
                                             char time[9]);
}
