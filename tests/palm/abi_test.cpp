// The platform's records match the conduit's own declarations byte for byte:
// the Windows build does not compile when they do not.
#include <cstddef>

#include "conduit/session.h"
#include "palm/synctypes.h"

#define SAME_FIELD(ours, theirs, ourField, theirField)                      \
    static_assert(offsetof(ours, ourField) == offsetof(theirs, theirField), \
                  #ours "." #ourField " and " #theirs "." #theirField);     \
    static_assert(sizeof(ours::ourField) == sizeof(theirs::theirField), #ours "." #ourField)

static_assert(sizeof(palm::RawRecord) == sizeof(CRawRecordInfo), "raw record");
SAME_FIELD(palm::RawRecord, CRawRecordInfo, fileHandle, fileHandle);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, recId, recId);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, recIndex, recIndex);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, attribs, attribs);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, catId, catId);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, conduitId, conduitId);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, recSize, recSize);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, totalBytes, totalBytes);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, pBytes, pBytes);
SAME_FIELD(palm::RawRecord, CRawRecordInfo, dwReserved, dwReserved);

static_assert(sizeof(palm::UserIdInfo) == sizeof(CUserIDInfo), "user record");
SAME_FIELD(palm::UserIdInfo, CUserIDInfo, userName, userName);
SAME_FIELD(palm::UserIdInfo, CUserIDInfo, userNameLength, userNameLength);
SAME_FIELD(palm::UserIdInfo, CUserIDInfo, password, password);
SAME_FIELD(palm::UserIdInfo, CUserIDInfo, lastSyncDate, lastSyncDate);
SAME_FIELD(palm::UserIdInfo, CUserIDInfo, reserved, reserved);

static_assert(sizeof(palm::SyncProperties) == sizeof(::SyncProperties), "SyncProperties");
SAME_FIELD(palm::SyncProperties, ::SyncProperties, syncType, syncType);
SAME_FIELD(palm::SyncProperties, ::SyncProperties, dataPath, dataPath);
SAME_FIELD(palm::SyncProperties, ::SyncProperties, localName, localName);
SAME_FIELD(palm::SyncProperties, ::SyncProperties, userName, userName);
SAME_FIELD(palm::SyncProperties, ::SyncProperties, registryPath, registryPath);
SAME_FIELD(palm::SyncProperties, ::SyncProperties, registryKey, registryKey);

static_assert(sizeof(palm::SyncPreference) == sizeof(::SyncPreference), "SyncPreference");
SAME_FIELD(palm::SyncPreference, ::SyncPreference, userPath, userPath);
SAME_FIELD(palm::SyncPreference, ::SyncPreference, registryPath, registryPath);
SAME_FIELD(palm::SyncPreference, ::SyncPreference, preferenceKind, preferenceKind);
SAME_FIELD(palm::SyncPreference, ::SyncPreference, syncType, syncType);

static_assert(palm::kSyncErrNotFound == kSyncErrNotFound, "not found code");
static_assert(palm::kOpenRead + palm::kOpenWrite + palm::kOpenExclusive ==
                  kOpenModeReadWriteExclusive,
              "open mode");
static_assert(palm::kLogStarted == kLogActivityStart && palm::kLogText == kLogActivityText &&
                  palm::kLogFinished == kLogActivityFinish &&
                  palm::kLogAborted == kLogActivityAbort,
              "log activities");
static_assert(palm::kSyncDoNothing == kSyncTypeDoNothing &&
                  palm::kSyncHandheldOverwritesDesktop == kSyncTypeHandheldOverwrites,
              "sync types");
