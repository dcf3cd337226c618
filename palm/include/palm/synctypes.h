// Records and codes that the HotSync manager, the Sync Manager (SYNC20) and
// the HotSync log (HSLOG20) exchange with conduits. Byte-packed, 32-bit
// layouts as the platform defines them. The 64-bit Windows build, a test
// vehicle only, widens the one pointer of the raw record and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace palm {

using CondHandle = uint32_t;

#pragma pack(push, 1)

// The Sync Manager's raw record descriptor.
struct RawRecord {
    uint8_t fileHandle;
    uint32_t recId;
    uint16_t recIndex;
    uint8_t attribs;  // kRawDeleted ... kRawArchived; never the category
    int16_t catId;
    int32_t conduitId;
    uint32_t recSize;     // size of the whole record
    uint16_t totalBytes;  // size of the caller's buffer
    uint8_t* pBytes;      // the caller's buffer
    uint32_t dwReserved;
};
static_assert(sizeof(RawRecord) == 24 + sizeof(void*), "RawRecord layout");
static_assert(offsetof(RawRecord, recId) == 1, "RawRecord layout");
static_assert(offsetof(RawRecord, recIndex) == 5, "RawRecord layout");
static_assert(offsetof(RawRecord, attribs) == 7, "RawRecord layout");
static_assert(offsetof(RawRecord, catId) == 8, "RawRecord layout");
static_assert(offsetof(RawRecord, conduitId) == 10, "RawRecord layout");
static_assert(offsetof(RawRecord, recSize) == 14, "RawRecord layout");
static_assert(offsetof(RawRecord, totalBytes) == 18, "RawRecord layout");
static_assert(offsetof(RawRecord, pBytes) == 20, "RawRecord layout");
static_assert(offsetof(RawRecord, dwReserved) == 20 + sizeof(void*), "RawRecord layout");

// The HotSync user as SyncReadUserID reports it.
struct UserIdInfo {
    char userName[64];
    int32_t userNameLength;  // including the terminating zero
    char password[64];
    int32_t passwordLength;
    int32_t lastSyncDate;
    uint32_t lastSyncPC;
    uint32_t id;
    uint32_t viewerId;
    uint32_t reserved;
};
static_assert(sizeof(UserIdInfo) == 156, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, userNameLength) == 64, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, password) == 68, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, passwordLength) == 132, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, lastSyncDate) == 136, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, lastSyncPC) == 140, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, id) == 144, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, viewerId) == 148, "UserIdInfo layout");
static_assert(offsetof(UserIdInfo, reserved) == 152, "UserIdInfo layout");

// Handed by the HotSync manager to OpenConduit.
struct SyncProperties {
    int32_t syncType;  // SyncType
    char dataPath[256];
    char localName[256];
    char userName[256];
    uint8_t platform[162];   // fields of the host's own; zeros
    char registryPath[256];  // the conduit's key below HKEY_CURRENT_USER
    uint32_t registryKey;    // that key, opened by the host
    uint32_t reserved;
};
static_assert(sizeof(SyncProperties) == 1198, "SyncProperties layout");
static_assert(offsetof(SyncProperties, dataPath) == 4, "SyncProperties layout");
static_assert(offsetof(SyncProperties, localName) == 260, "SyncProperties layout");
static_assert(offsetof(SyncProperties, userName) == 516, "SyncProperties layout");
static_assert(offsetof(SyncProperties, registryPath) == 934, "SyncProperties layout");
static_assert(offsetof(SyncProperties, registryKey) == 1190, "SyncProperties layout");
static_assert(offsetof(SyncProperties, reserved) == 1194, "SyncProperties layout");

// Handed by the HotSync manager to ConfigureConduit; the conduit answers in
// preferenceKind and syncType.
struct SyncPreference {
    char userPath[256];
    char registryPath[256];
    uint32_t registryKey;
    int32_t preferenceKind;  // PreferenceKind
    int32_t syncType;
    uint32_t reserved;
};
static_assert(sizeof(SyncPreference) == 528, "SyncPreference layout");
static_assert(offsetof(SyncPreference, registryPath) == 256, "SyncPreference layout");
static_assert(offsetof(SyncPreference, registryKey) == 512, "SyncPreference layout");
static_assert(offsetof(SyncPreference, preferenceKind) == 516, "SyncPreference layout");
static_assert(offsetof(SyncPreference, syncType) == 520, "SyncPreference layout");
static_assert(offsetof(SyncPreference, reserved) == 524, "SyncPreference layout");

#pragma pack(pop)

enum SyncType : int32_t {
    kSyncFast = 0,
    kSyncSlow = 1,
    kSyncHandheldOverwritesDesktop = 2,
    kSyncDesktopOverwritesHandheld = 3,
    kSyncInstall = 4,
    kSyncBackup = 5,
    kSyncDoNothing = 6,
    kSyncProfileInstall = 7,
};

enum PreferenceKind : int32_t {
    kPreferenceNone = 0,
    kPreferencePermanent = 1,
    kPreferenceTemporary = 2,
};

// Raw record attribute bits.
constexpr uint8_t kRawDeleted = 0x80;
constexpr uint8_t kRawDirty = 0x40;
constexpr uint8_t kRawBusy = 0x20;
constexpr uint8_t kRawSecret = 0x10;
constexpr uint8_t kRawArchived = 0x08;

// SyncOpenDB modes.
constexpr uint8_t kOpenRead = 0x80;
constexpr uint8_t kOpenWrite = 0x40;
constexpr uint8_t kOpenExclusive = 0x20;
constexpr uint8_t kOpenShowSecret = 0x10;

// Sync Manager results: 0 is success, errors count from 0x4000.
constexpr long kSyncOk = 0;
constexpr long kSyncErrFailed = 0x4001;         // the handheld folder cannot be read or written
constexpr long kSyncErrBadArgument = 0x4002;    // null pointer, bad mode, category or size
constexpr long kSyncErrNotFound = 0x4003;       // no such database or record, or none left
constexpr long kSyncErrBadHandle = 0x4004;      // the database handle is not open
constexpr long kSyncErrTooManyOpen = 0x4005;    // no database handle left
constexpr long kSyncErrInUse = 0x4006;          // open elsewhere and exclusive on one side
constexpr long kSyncErrCorrupt = 0x4007;        // the .pdb file is malformed
constexpr long kSyncErrNotRegistered = 0x4008;  // no conduit registered, or no HotSync running
constexpr long kSyncErrReadOnly = 0x4009;       // a change through a handle opened without write
constexpr long kSyncErrFull = 0x400A;           // 65535 records, or unique ids exhausted

// HotSync log activities the platform defines; LogAddEntry accepts any value.
constexpr int kLogText = -1;
constexpr int kLogAborted = 17;
constexpr int kLogStarted = 19;
constexpr int kLogFinished = 20;

}  // namespace palm
