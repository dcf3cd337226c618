// A conduit for the platform's tests. What it does is chosen by values in its
// own registry key (the key the host hands over):
//   Mode (string): "log" (default) writes a few log entries; "read" copies
//     every record of Ledgerly_DB into records.txt in the data path;
//     "delete" reads Ledgerly_DB by index and deletes each record, resetting
//     the sync flags at the end; "fail" logs an abort and returns -1.
//   ConfigType, ConfigKind (DWORD): the answer of ConfigureConduit.
// Every OpenConduit writes the fields it was given to properties.txt in the
// data path; ConfigureConduit writes configure.txt in the user folder.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "palm/conduit.h"
#include "palm/hslog20.h"
#include "palm/sync20.h"

namespace {

std::string ReadString(const char* keyPath, const char* name) {
    HKEY key;
    std::string value;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buffer[256] = {};
        DWORD size = sizeof buffer - 1, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            value = buffer;
        }
        RegCloseKey(key);
    }
    return value;
}

int32_t ReadDword(const char* keyPath, const char* name, int32_t fallback) {
    HKEY key;
    DWORD data = static_cast<DWORD>(fallback);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof data, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD) {
            data = static_cast<DWORD>(fallback);
        }
        RegCloseKey(key);
    }
    return static_cast<int32_t>(data);
}

std::string Field(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

bool CopyRecords(const std::string& dataPath, bool remove) {
    uint8_t db = 0;
    if (SyncOpenDB("Ledgerly_DB", 0, &db,
                   palm::kOpenRead | palm::kOpenWrite | palm::kOpenExclusive) != 0) {
        LogAddEntry("   - cannot open Ledgerly_DB", palm::kLogText, 0);
        return false;
    }
    std::FILE* out = remove ? nullptr : std::fopen((dataPath + "\\records.txt").c_str(), "wb");
    uint16_t count = 0;
    SyncGetDBRecordCount(db, &count);
    static uint8_t buffer[1024];
    palm::RawRecord rec;
    uint16_t index = 0;
    while (index < count) {
        std::memset(&rec, 0, sizeof rec);
        rec.fileHandle = db;
        rec.recIndex = index;
        rec.totalBytes = sizeof buffer;
        rec.pBytes = buffer;
        if (SyncReadRecordByIndex(&rec) != 0) break;
        if (out) {
            std::fprintf(out, "%u\t%d\t%u\t%.*s\n", static_cast<unsigned>(rec.recId), rec.catId,
                         rec.attribs, static_cast<int>(rec.recSize ? rec.recSize - 1 : 0),
                         reinterpret_cast<char*>(buffer));
        }
        if (remove) {
            SyncDeleteRec(&rec);
            --count;
        } else {
            ++index;
        }
    }
    if (out) std::fclose(out);
    SyncResetSyncFlags(db);
    return SyncCloseDB(db) == 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) long __cdecl GetConduitName(char* buffer, uint16_t size) {
    std::strncpy(buffer, "Test Conduit", size);
    return 0;
}

__declspec(dllexport) uint32_t __cdecl GetConduitVersion() { return 0x0201; }

__declspec(dllexport) long __cdecl OpenConduit(palm::ProgressCallback progress,
                                               palm::SyncProperties& props) {
    const std::string dataPath = Field(props.dataPath, sizeof props.dataPath);
    const std::string keyPath = Field(props.registryPath, sizeof props.registryPath);
    CreateDirectoryA(dataPath.c_str(), nullptr);
    if (std::FILE* f = std::fopen((dataPath + "\\properties.txt").c_str(), "wb")) {
        std::fprintf(f,
                     "syncType=%d\ndataPath=%s\nlocalName=%s\nuserName=%s\nregistryPath=%s\n"
                     "registryKey=%s\n",
                     props.syncType, dataPath.c_str(),
                     Field(props.localName, sizeof props.localName).c_str(),
                     Field(props.userName, sizeof props.userName).c_str(), keyPath.c_str(),
                     props.registryKey ? "set" : "none");
        std::fclose(f);
    }
    palm::CondHandle handle = 0;
    if (SyncRegisterConduit(&handle) != 0) return -1;
    const std::string mode = ReadString(keyPath.c_str(), "Mode");
    long result = 0;
    LogAddEntry("", palm::kLogStarted, 0);
    if (progress) progress(const_cast<char*>("Test conduit at work"));
    palm::UserIdInfo user;
    if (SyncReadUserID(&user) == 0) {
        LogAddEntry(("   - user " + std::string(user.userName)).c_str(), palm::kLogText, 0);
    }
    if (mode == "read" || mode == "delete") {
        if (!CopyRecords(dataPath, mode == "delete")) result = -1;
    } else if (mode == "fail") {
        result = -1;
    } else {
        LogAddEntry("tab\there, back\\slash, CR\rLF\nend", palm::kLogText, 0);
        LogAddEntry(nullptr, 5, 1);
    }
    LogAddEntry(result == 0 ? "" : "Test Conduit",
                result == 0 ? palm::kLogFinished : palm::kLogAborted, 0);
    SyncUnRegisterConduit(handle);
    return result;
}

__declspec(dllexport) long __cdecl ConfigureConduit(palm::SyncPreference& pref) {
    const std::string userPath = Field(pref.userPath, sizeof pref.userPath);
    const std::string keyPath = Field(pref.registryPath, sizeof pref.registryPath);
    if (std::FILE* f = std::fopen((userPath + "\\configure.txt").c_str(), "wb")) {
        std::fprintf(f, "userPath=%s\nregistryPath=%s\nsyncType=%d\nkind=%d\nregistryKey=%s\n",
                     userPath.c_str(), keyPath.c_str(), pref.syncType, pref.preferenceKind,
                     pref.registryKey ? "set" : "none");
        std::fclose(f);
    }
    pref.syncType = ReadDword(keyPath.c_str(), "ConfigType", pref.syncType);
    pref.preferenceKind = ReadDword(keyPath.c_str(), "ConfigKind", pref.preferenceKind);
    return 0;
}

}  // extern "C"
