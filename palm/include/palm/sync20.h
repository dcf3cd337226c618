// SYNC20.dll, the Sync Manager: database access during a HotSync, over a
// handheld folder (database "Name" is the file Name.pdb; the HotSync user
// name is the first line of User.txt).
#pragma once

#include <cstdint>

#include "palm/synctypes.h"

#ifdef SYNC20_BUILD
#define SYNC20_API __declspec(dllexport)
#else
#define SYNC20_API __declspec(dllimport)
#endif

extern "C" {
// The conduit's interface.
SYNC20_API long __cdecl SyncRegisterConduit(palm::CondHandle* handle);
SYNC20_API long __cdecl SyncUnRegisterConduit(palm::CondHandle handle);
SYNC20_API long __cdecl SyncReadUserID(palm::UserIdInfo* user);
SYNC20_API long __cdecl SyncOpenDB(const char* name, int card, uint8_t* handle, uint8_t mode);
SYNC20_API long __cdecl SyncCloseDB(uint8_t handle);
SYNC20_API long __cdecl SyncGetDBRecordCount(uint8_t handle, uint16_t* count);
SYNC20_API long __cdecl SyncReadRecordByIndex(palm::RawRecord* record);
SYNC20_API long __cdecl SyncReadNextModifiedRec(palm::RawRecord* record);
SYNC20_API long __cdecl SyncWriteRec(palm::RawRecord* record);
SYNC20_API long __cdecl SyncDeleteRec(palm::RawRecord* record);
SYNC20_API long __cdecl SyncResetSyncFlags(uint8_t handle);

// The host's interface. A HotSync runs between SyncHostBegin and SyncHostEnd;
// outside it every conduit call fails with kSyncErrNotRegistered.
using SyncHostReporter = void(__cdecl*)(const char* text);
// Starts a HotSync over the handheld folder; reporter (may be null) receives
// a text for every fault the conduit's calls cannot show in their result
// (a malformed database, a failed write-back).
SYNC20_API long __cdecl SyncHostBegin(const char* handheldFolder, SyncHostReporter reporter);
// Closes (and writes back) databases a conduit left open, forgets the
// registration. Returns the number of databases that were still open.
SYNC20_API long __cdecl SyncHostEnd();
// Makes the nth call (counting from 1, from now on) of the named Sync Manager
// function return result without doing anything: the host's way to let a
// conduit meet a failing handheld. nth 0 takes the fault back.
SYNC20_API long __cdecl SyncHostFailCall(const char* function, long nth, long result);
// Calls observer (null: none) before every Sync Manager call, with the
// function's name and the record descriptor it was given, if any.
using SyncHostObserver = void(__cdecl*)(const char* function, const palm::RawRecord* record);
SYNC20_API long __cdecl SyncHostObserve(SyncHostObserver observer);
// Calls observer (null: none) after every Sync Manager call, with its result.
using SyncHostResultObserver = void(__cdecl*)(const char* function, const palm::RawRecord* record,
                                              long result);
SYNC20_API long __cdecl SyncHostObserveResults(SyncHostResultObserver observer);
// The handheld folder's user name, zero-terminated into buffer (size bytes).
SYNC20_API long __cdecl SyncHostUserName(char* buffer, int size);
}
