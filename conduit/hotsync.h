// The HotSync platform as the conduit sees it: the host's records handed to
// OpenConduit and ConfigureConduit, the Sync Manager (SYNC20) and the HotSync
// log (HSLOG20). Layouts are the platform's, byte-packed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#define CONDUIT_API extern "C" __cdecl

using CONDHANDLE = uint32_t;

#pragma pack(push, 1)

// Handed to OpenConduit. Only the fields named here are read.
struct SyncProperties {
    int32_t syncType;    // 6 = do nothing
    char dataPath[256];  // data directory of this conduit
    char localName[256];
    char userName[256];
    uint8_t platform[162];   // fields of the host that the conduit never reads
    char registryPath[256];  // conduit's key below HKEY_CURRENT_USER
    uint32_t registryKey;    // open key handle (not used)
    uint32_t reserved;
};
static_assert(sizeof(SyncProperties) == 1198, "SyncProperties layout");
static_assert(offsetof(SyncProperties, dataPath) == 4, "SyncProperties layout");
static_assert(offsetof(SyncProperties, registryPath) == 934, "SyncProperties layout");
static_assert(offsetof(SyncProperties, registryKey) == 1190, "SyncProperties layout");

// Handed to ConfigureConduit; preference kind and sync type are answered.
struct SyncPreference {
    char userPath[256];
    char registryPath[256];
    uint32_t registryKey;
    int32_t preferenceKind;  // 1 permanent, 2 next HotSync only
    int32_t syncType;        // 2 handheld overwrites desktop, 6 do nothing
    uint32_t reserved;
};
static_assert(sizeof(SyncPreference) == 528, "SyncPreference layout");
static_assert(offsetof(SyncPreference, registryPath) == 256, "SyncPreference layout");
static_assert(offsetof(SyncPreference, registryKey) == 512, "SyncPreference layout");
static_assert(offsetof(SyncPreference, preferenceKind) == 516, "SyncPreference layout");
static_assert(offsetof(SyncPreference, syncType) == 520, "SyncPreference layout");

// The Sync Manager's raw record descriptor.
struct CRawRecordInfo {
    uint8_t fileHandle;
    uint32_t recId;
    uint16_t recIndex;
    uint8_t attribs;
    int16_t catId;
    int32_t conduitId;
    uint32_t recSize;
    uint16_t totalBytes;  // buffer size
    uint8_t* pBytes;
    uint32_t dwReserved;
};
static_assert(sizeof(CRawRecordInfo) == 24 + sizeof(void*), "CRawRecordInfo layout");
static_assert(offsetof(CRawRecordInfo, catId) == 8, "CRawRecordInfo layout");
static_assert(offsetof(CRawRecordInfo, recSize) == 14, "CRawRecordInfo layout");
static_assert(offsetof(CRawRecordInfo, totalBytes) == 18, "CRawRecordInfo layout");
static_assert(offsetof(CRawRecordInfo, pBytes) == 20, "CRawRecordInfo layout");

// The HotSync user.
struct CUserIDInfo {
    char userName[64];
    int32_t userNameLength;
    char password[64];
    int32_t passwordLength;
    int32_t lastSyncDate;
    uint32_t lastSyncPC;
    uint32_t id;
    uint32_t viewerId;
    uint32_t reserved;
};
static_assert(sizeof(CUserIDInfo) == 156, "CUserIDInfo layout");
static_assert(offsetof(CUserIDInfo, userNameLength) == 64, "CUserIDInfo layout");

#pragma pack(pop)

// Copies a text field of the host's records, which the host may fill to its
// last byte without a terminator: at most N - 1 characters, so that a path
// names the same folder and key in OpenConduit and ConfigureConduit. The
// target holds at least N bytes.
template <size_t N>
void CopyHostText(char* target, const char (&field)[N]) {
    size_t length = 0;
    while (length < N - 1 && field[length] != '\0') ++length;
    std::memcpy(target, field, length);
    target[length] = '\0';
}

constexpr int32_t kSyncTypeHandheldOverwrites = 2;
constexpr int32_t kSyncTypeDoNothing = 6;

constexpr uint8_t kOpenModeReadWriteExclusive = 0xE0;
constexpr long kSyncErrNotFound = 0x4003;

// Progress callback of the host: shows one text.
using ProgressFn = long(__cdecl*)(char*);

extern "C" {
long __cdecl SyncRegisterConduit(CONDHANDLE* handle);
long __cdecl SyncUnRegisterConduit(CONDHANDLE handle);
long __cdecl SyncReadUserID(CUserIDInfo* user);
long __cdecl SyncOpenDB(const char* name, int card, uint8_t* handle, uint8_t mode);
long __cdecl SyncCloseDB(uint8_t handle);
long __cdecl SyncGetDBRecordCount(uint8_t handle, uint16_t* count);
long __cdecl SyncReadRecordByIndex(CRawRecordInfo* record);
long __cdecl SyncReadNextModifiedRec(CRawRecordInfo* record);
long __cdecl SyncWriteRec(CRawRecordInfo* record);
long __cdecl SyncDeleteRec(CRawRecordInfo* record);
long __cdecl SyncResetSyncFlags(uint8_t handle);

long __cdecl LogAddEntry(const char* text, int activity, int timestamp);
}
