#include "registration.h"

#include <cstdio>
#include <cstring>

#include "config.h"
#include "registry.h"
#include "text_rules.h"

const char kHotSyncKey[] = "Software\\U.S. Robotics\\Pilot Desktop";

namespace {

constexpr uint32_t kEntryNameSize = 261;
constexpr uint32_t kValueSize = 260;

bool OpenHotSyncKey(Registry& hotSync) {
    if (hotSync.Open(kHotSyncKey, RegistryCurrentUser)) return true;
    ShowPlainMessage(msgErrOpenKey);
    return false;
}

bool HasCreator(Registry& entry, uint32_t creatorCode) {
    uint32_t creator = 0;
    return entry.GetDword("Creator", &creator) && creator == creatorCode;
}

// A string value that reads, is not empty and equals text regardless of the
// case of A to Z.
bool StringClashes(Registry& entry, const char* value, const char* text) {
    char stored[kValueSize];
    return entry.GetString(value, stored, sizeof stored) && stored[0] != '\0' &&
           EqualFoldingAZ(stored, text);
}

void WriteDefaultValues(Registry& entry) {
    const InstallerConfig& c = installerConfig;
    if (c.defaultKeys[0] == '\0') return;
    char section[32];
    std::snprintf(section, sizeof section, "Default_%s", c.languageCode);
    for (const char* key = c.defaultKeys;
         *key != '\0' && key < c.defaultKeys + sizeof c.defaultKeys; key += std::strlen(key) + 1) {
        char text[256];
        if (!ReadIniString(section, key, text, sizeof text) &&
            !ReadIniString("Default", key, text, sizeof text)) {
            continue;
        }
        uint32_t number = 0;
        if (ReadDwordValue(text, &number)) {
            entry.SetDword(key, number);
        } else {
            entry.SetString(key, text);
        }
    }
}

// Puts the name of the first entry (in enumeration order) whose Creator is
// creatorCode into name; false when there is none.
bool FirstEntryWithCreator(Registry& hotSync, uint32_t creatorCode, char (&name)[kEntryNameSize]) {
    for (uint32_t index = 0; hotSync.EnumKey(index, name, sizeof name); ++index) {
        int32_t number = 0;
        if (!ReadEntryNumber(name, &number)) continue;
        Registry entry;
        if (entry.Open(name, hotSync) && HasCreator(entry, creatorCode)) return true;
    }
    return false;
}

}  // namespace

bool FindConduitByCreator(uint32_t creatorCode) {
    Registry hotSync;
    if (!OpenHotSyncKey(hotSync)) return false;
    char name[kEntryNameSize];
    return FirstEntryWithCreator(hotSync, creatorCode, name);
}

bool RegisterConduit(const char* name, uint32_t creatorCode, const char* conduitPath,
                     const char* directory, int32_t priority) {
    Registry hotSync;
    if (!OpenHotSyncKey(hotSync)) return false;

    int32_t highest = 0;
    char entryName[kEntryNameSize];
    for (uint32_t index = 0; hotSync.EnumKey(index, entryName, sizeof entryName); ++index) {
        int32_t number = 0;
        if (!ReadEntryNumber(entryName, &number)) continue;
        if (number > highest) highest = number;
        Registry entry;
        if (!entry.Open(entryName, hotSync)) continue;
        int32_t clash = 0;
        if (HasCreator(entry, creatorCode)) {
            clash = msgErrCreatorExists;
        } else if (StringClashes(entry, "Name", name)) {
            clash = msgErrNameUsed;
        } else if (StringClashes(entry, "Directory", directory)) {
            clash = msgErrDirectoryUsed;
        } else if (StringClashes(entry, "Conduit", conduitPath)) {
            clash = msgErrModuleUsed;
        }
        if (clash != 0) {
            ShowPlainMessage(clash);
            return false;
        }
    }

    // A number at the top of the range leaves no next one to take.
    Registry entry;
    if (highest == INT32_MAX) {
        ShowPlainMessage(msgErrCreateKey);
        return false;
    }
    std::snprintf(entryName, sizeof entryName, "%s%d", kEntryPrefix, static_cast<int>(highest + 1));
    if (!entry.Create(entryName, hotSync)) {
        ShowPlainMessage(msgErrCreateKey);
        return false;
    }
    entry.SetString("Name", name);
    entry.SetDword("Creator", creatorCode);
    entry.SetString("Conduit", conduitPath);
    entry.SetString("Module", name);
    entry.SetString("Directory", directory);
    entry.SetDword("Priority", static_cast<uint32_t>(priority));
    entry.SetDword("Integrate", 0);
    WriteDefaultValues(entry);
    return true;
}

bool UnregisterConduit(uint32_t creatorCode) {
    Registry hotSync;
    if (!OpenHotSyncKey(hotSync)) return false;
    // Only the first entry with this creator, in enumeration order, is removed.
    char name[kEntryNameSize];
    if (!FirstEntryWithCreator(hotSync, creatorCode, name)) return false;
    if (hotSync.DeleteKey(name)) return true;
    ShowPlainMessage(msgErrDeleteKey);
    return false;
}
