// ReferenceConduit.dll: the Sync Manager work of a Ledgerly HotSync and
// nothing else. It reads every record (by index, or the modified ones when
// SyncBackupMethod is 1), deletes each when DeleteRecords is set and resets
// the marks, but converts and writes nothing. Measured beside Tessel20.dll
// under the same host, it separates the conduit's own time and memory from
// the host's and the Sync Manager's.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "palm/conduit.h"
#include "palm/hslog20.h"
#include "palm/sync20.h"

namespace {

DWORD ReadDword(const char* keyPath, const char* name) {
    HKEY key;
    DWORD value = 0, size = sizeof value;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS) {
            value = 0;
        }
        RegCloseKey(key);
    }
    return value;
}

}  // namespace

extern "C" {

__declspec(dllexport) long __cdecl GetConduitName(char* buffer, uint16_t size) {
    if (buffer == nullptr || size == 0) return -1;
    std::strncpy(buffer, "Reference", size - 1);
    buffer[size - 1] = '\0';
    return 0;
}

__declspec(dllexport) uint32_t __cdecl GetConduitVersion() { return 0x200; }

__declspec(dllexport) long __cdecl OpenConduit(palm::ProgressCallback,
                                               palm::SyncProperties& properties) {
    char keyPath[sizeof properties.registryPath + 1] = {};
    std::memcpy(keyPath, properties.registryPath, sizeof properties.registryPath);
    const bool modifiedOnly = ReadDword(keyPath, "SyncBackupMethod") == 1;
    const bool deleting = ReadDword(keyPath, "DeleteRecords") != 0;

    palm::CondHandle conduit = 0;
    if (SyncRegisterConduit(&conduit) != 0) return -1;
    LogAddEntry("", palm::kLogStarted, 0);
    long result = -1;
    uint8_t db = 0;
    if (properties.syncType != 6 && SyncOpenDB("Ledgerly_DB", 0, &db, 0xE0) == 0) {
        static uint8_t buffer[1024];
        uint16_t count = 0;
        SyncGetDBRecordCount(db, &count);
        uint16_t index = 0;
        result = 0;
        while (index < count) {
            palm::RawRecord record;
            std::memset(&record, 0, sizeof record);
            record.fileHandle = db;
            record.recIndex = index;
            record.totalBytes = sizeof buffer;
            record.pBytes = buffer;
            if ((modifiedOnly ? SyncReadNextModifiedRec(&record)
                              : SyncReadRecordByIndex(&record)) != 0) {
                break;
            }
            if (deleting) {
                SyncDeleteRec(&record);
                --count;
            } else {
                ++index;
            }
        }
        SyncResetSyncFlags(db);
        SyncCloseDB(db);
    } else if (properties.syncType == 6) {
        result = 0;
    }
    LogAddEntry("", result == 0 ? palm::kLogFinished : palm::kLogAborted, 0);
    SyncUnRegisterConduit(conduit);
    return result;
}

}  // extern "C"
