#include "config.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "text_rules.h"

InstallerConfig installerConfig;

namespace {

struct BuiltInText {
    int32_t id;
    const char* text;
};

// Ascending by id.
const BuiltInText BuiltInTexts[] = {
    {msgCaptionConfirm, "Confirmation"},
    {msgCaptionInstalled, "Installation terminated"},
    {msgCaptionInstallFailed, "Installation failed"},
    {msgCaptionRemoved, "Deinstallation terminated"},
    {msgCaptionRemoveFailed, "Deinstallation failed"},
    {msgButtonInstall, "Install"},
    {msgButtonUninstall, "Uninstall"},
    {msgButtonQuit, "Quit"},
    {msgAskReplace,
     "Seems that another version of the conduit module is already installed on your "
     "system.\n\nDo you want to replace the current version?"},
    {msgInstalled, "The conduit module has been successfully installed on your system."},
    {msgRemoved, "The conduit module has been successfully removed from your system."},
    {msgAskMissingModule,
     "The conduit DLL could not be found!\n\nDo you wish to continue with the installation "
     "anyway?"},
    {msgErrNoConfigFile,
     "ERROR: Unable to locate the configuration file needed for installation!\n\nProgram "
     "cannot continue."},
    {msgErrConfigIncomplete,
     "ERROR: The configuration file does not provide all information which is necessary to "
     "install the conduit module!\n\nProgram cannot continue."},
    {msgErrNoLocale,
     "ERROR: Unable to obtain local information!\n\nDefault language will be used."},
    {msgErrNoLanguage,
     "ERROR: No support for your local language avaiable!\n\nDefault language will be used."},
    {msgErrOpenKey, "ERROR: Unable to open registry key!"},
    {msgErrCreatorExists, "ERROR: Creator already exists!"},
    {msgErrNameUsed, "ERROR: Name already used by another conduit!"},
    {msgErrDirectoryUsed, "ERROR: Directory already used by another conduit!"},
    {msgErrModuleUsed, "ERROR: DLL name already used by another conduit!"},
    {msgErrCreateKey, "ERROR: Unable to create registry key!"},
    {msgErrDeleteKey, "ERROR: Registration key could not be deleted!"},
    {msgErrNotRemoved, "ERROR: The conduit module could not be removed from your system!"},
    {msgErrNotInstalled, "ERROR: The conduit module could not be installed on your system!"},
};

constexpr int kSlotCount = 4;
constexpr uint32_t kSlotSize = 1024;
char textSlots[kSlotCount][kSlotSize];
int textSlot = -1;

// Step 5 of the language choice picks the section of the conduit keys.
char conduitSection[32];

// Reads the ten conduit keys from conduitSection; false at the first absent
// or invalid one.
bool ReadConduitKeys() {
    InstallerConfig& c = installerConfig;
    char creator[20];
    char priority[10];
    if (!ReadIniString(conduitSection, "Caption", c.caption, sizeof c.caption)) return false;
    if (!ReadIniString(conduitSection, "Title", c.title, sizeof c.title)) return false;
    if (!ReadIniString(conduitSection, "Name", c.name, sizeof c.name)) return false;
    if (!ReadIniString(conduitSection, "Version", c.version, sizeof c.version)) return false;
    if (!ReadIniString(conduitSection, "Description", c.description, sizeof c.description)) {
        return false;
    }
    if (!ReadIniString(conduitSection, "Info", c.info, sizeof c.info)) return false;
    if (!ReadIniString(conduitSection, "Creator", creator, sizeof creator)) return false;
    if (!ReadIniString(conduitSection, "Module", c.module, sizeof c.module)) return false;
    if (!ReadIniString(conduitSection, "Directory", c.directory, sizeof c.directory)) return false;
    if (!ReadIniString(conduitSection, "Priority", priority, sizeof priority)) return false;
    if (!PackCreatorCode(creator, &c.creatorCode)) return false;
    c.priority = ReadDecimal(priority);
    return c.priority >= 1 && c.priority <= 4;
}

void ChooseLanguage() {
    char* code = installerConfig.languageCode;
    code[0] = '\0';
    if (GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, code,
                       sizeof installerConfig.languageCode) == 0) {
        code[0] = '\0';
        ShowPlainMessage(msgErrNoLocale);
    }
    if (code[0] != '\0') {
        char supported[10];
        if (!ReadIniString("Languages", code, supported, sizeof supported) ||
            ReadDecimal(supported) == 0) {
            code[0] = '\0';
        }
    }
    if (code[0] == '\0') ReadIniString("General", "DefaultLanguage", code, 10);

    std::strcpy(conduitSection, "Conduit");
    if (code[0] != '\0') {
        std::snprintf(conduitSection, sizeof conduitSection, "Conduit_%s", code);
        char probe[80];
        if (!ReadIniString(conduitSection, "Caption", probe, sizeof probe)) {
            ShowPlainMessage(msgErrNoLanguage);
            std::strcpy(conduitSection, "Conduit");
        }
    }
}

}  // namespace

bool ReadIniString(const char* section, const char* key, char* buffer, uint32_t size) {
    buffer[0] = '\0';
    if (installerConfig.iniPath[0] == '\0') return false;
    DWORD length =
        GetPrivateProfileStringA(section, key, "", buffer, size, installerConfig.iniPath);
    return length > 0 && buffer[0] != '\0';
}

bool LoadInstallerConfig() {
    ChooseLanguage();
    if (!ReadConduitKeys()) return false;
    InstallerConfig& c = installerConfig;
    std::memset(c.defaultKeys, 0, sizeof c.defaultKeys);
    if (c.iniPath[0] != '\0') {
        GetPrivateProfileStringA("Default", nullptr, "", c.defaultKeys, sizeof c.defaultKeys,
                                 c.iniPath);
    }
    return true;
}

const char* InstallerText(int32_t id, const char* sourceFile, int sourceLine) {
    textSlot = (textSlot + 1) % kSlotCount;
    char key[16];
    std::snprintf(key, sizeof key, "%d", static_cast<int>(id));
    char section[16];
    std::snprintf(section, sizeof section, "Lang_%s", installerConfig.languageCode);
    char raw[kSlotSize];
    if (ReadIniString(section, key, raw, sizeof raw) ||
        ReadIniString("Lang", key, raw, sizeof raw)) {
        TranslateEscapes(raw, textSlots[textSlot], kSlotSize);
        return textSlots[textSlot];
    }
    for (const BuiltInText& entry : BuiltInTexts) {
        if (entry.id == id) return entry.text;
    }
    char message[600];
    std::snprintf(message, sizeof message,
                  "Invalid message ID found!\n\nFile: %s\nLine: %d\n\nProgram will terminate.",
                  sourceFile, sourceLine);
    MessageBoxA(nullptr, message, "Internal Error", MB_OK);
    ExitProcess(static_cast<UINT>(-1));
}

void ShowPlainMessage(int32_t id) { MessageBoxA(nullptr, INSTALLER_TEXT(id), nullptr, MB_OK); }
