// The installer's configuration from install.ini, its choice of language and
// its numbered texts.
#pragma once

#include <cstdint>

struct InstallerConfig {
    char caption[80];
    char title[40];
    char name[40];
    char version[40];
    char description[80];
    char info[240];
    uint32_t creatorCode;
    char module[250];
    char directory[250];
    int32_t priority;
    // Key names of section Default: each ends with a zero byte, an empty name
    // ends the list.
    char defaultKeys[1024];
    char languageCode[10];
    char currentDirectory[260];
    // Empty when the current directory and "\install.ini" do not fit a path.
    char iniPath[260];
    // May exceed the platform's path limit; such a path names no file.
    char conduitPath[512];
};

extern InstallerConfig installerConfig;

enum InstallerMessageId : int32_t {
    msgCaptionConfirm = 1000,
    msgCaptionInstalled = 1001,
    msgCaptionInstallFailed = 1002,
    msgCaptionRemoved = 1003,
    msgCaptionRemoveFailed = 1004,
    msgButtonInstall = 2000,
    msgButtonUninstall = 2001,
    msgButtonQuit = 2002,
    msgAskReplace = 3000,
    msgInstalled = 3001,
    msgRemoved = 3002,
    msgAskMissingModule = 3003,
    msgErrNoConfigFile = 4000,
    msgErrConfigIncomplete = 4001,
    msgErrNoLocale = 4002,
    msgErrNoLanguage = 4003,
    msgErrOpenKey = 4004,
    msgErrCreatorExists = 4005,
    msgErrNameUsed = 4006,
    msgErrDirectoryUsed = 4007,
    msgErrModuleUsed = 4008,
    msgErrCreateKey = 4009,
    msgErrDeleteKey = 4010,
    msgErrNotRemoved = 4011,
    msgErrNotInstalled = 4012,
};

// Reads install.ini (installerConfig.iniPath must be set) into installerConfig,
// except the three paths. False when a required key is absent or invalid.
bool LoadInstallerConfig();

// The text for id: from section Lang_<code>, else Lang (escapes translated),
// else built in. The result stays valid for at least four further calls. An
// unknown id ends the process with status -1.
const char* InstallerText(int32_t id, const char* sourceFile, int sourceLine);
#define INSTALLER_TEXT(id) InstallerText((id), __FILE__, __LINE__)

// Reads key of section from install.ini into buffer (size bytes with the
// terminator); true when the value is present and not empty.
bool ReadIniString(const char* section, const char* key, char* buffer, uint32_t size);

// Shows text in a message box with no owner, the platform's default caption,
// no icon and an OK button.
void ShowPlainMessage(int32_t id);
