#include "host.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#ifndef TESSEL_CONDUIT_DLL
#define TESSEL_CONDUIT_DLL "Tessel20.dll"
#endif

const char kNeutralMessageFile[] =
    "[General]\n"
    "ContentType=NLS-Message-File\n"
    "ContentVersion=1.00\n"
    "ModuleName=LYConduit20\n"
    "ModuleVersion=0.50\n"
    "DefaultLanguage=\n"
    "[Languages]\n";

std::string MessageFileHeader(const std::string& defaultLanguage) {
    return "[General]\n"
           "ContentType=NLS-Message-File\n"
           "ContentVersion=1.00\n"
           "ModuleName=LYConduit20\n"
           "ModuleVersion=0.50\n"
           "DefaultLanguage=" +
           defaultLanguage + "\n";
}

std::string UserLanguage() {
    char code[20] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, code, sizeof code);
    return code;
}

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash != nullptr) slash[1] = '\0';
    return path;
}

namespace {

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

ConduitHost::ConduitHost(const std::string& name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    std::string base = std::string(temp) + "tessel-dialogs";
    CreateDirectoryA(base.c_str(), nullptr);
    folder_ = base + "\\" + name;
    RemoveFolder(folder_);
    CreateDirectoryA(folder_.c_str(), nullptr);
    keyPath_ = "Software\\Tessel\\DialogTests\\" + name;
    DeleteKey();

    const std::string program = ProgramFolder();
    for (const char* dll : {TESSEL_CONDUIT_DLL, "SYNC20.dll", "HSLOG20.dll"})
        CopyFileA((program + dll).c_str(), (folder_ + "\\" + dll).c_str(), FALSE);
    SetMessageFile(kNeutralMessageFile);

    const std::string library = folder_ + "\\" + TESSEL_CONDUIT_DLL;
    module_ = LoadLibraryExA(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ != nullptr)
        configure_ = reinterpret_cast<long(__cdecl*)(SyncPreference&)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "ConfigureConduit")));
}

ConduitHost::~ConduitHost() {
    if (module_ != nullptr) FreeLibrary(module_);
    DeleteKey();
    RemoveFolder(folder_);
}

void ConduitHost::SetMessageFile(const char* content) {
    const std::string path = folder_ + "\\conduit.nls";
    if (content == nullptr) {
        DeleteFileA(path.c_str());
        return;
    }
    std::ofstream(path, std::ios::binary) << content;
}

void ConduitHost::UseShippedMessageFile() {
    CopyFileA((ProgramFolder() + "conduit.nls").c_str(), (folder_ + "\\conduit.nls").c_str(),
              FALSE);
}

SyncPreference ConduitHost::Preference(int32_t syncType) const {
    SyncPreference preference;
    std::memset(&preference, 0, sizeof preference);
    std::snprintf(preference.userPath, sizeof preference.userPath, "%s", folder_.c_str());
    std::snprintf(preference.registryPath, sizeof preference.registryPath, "%s", keyPath_.c_str());
    preference.preferenceKind = 77;
    preference.syncType = syncType;
    return preference;
}

long ConduitHost::Configure(SyncPreference& preference) {
    return configure_ != nullptr ? configure_(preference) : -100;
}

void ConduitHost::SetDword(const char* name, uint32_t value) {
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyPath_.c_str(), &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void ConduitHost::SetString(const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyPath_.c_str(), &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

bool ConduitHost::GetDword(const char* name, uint32_t& value) const {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath_.c_str(), &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = sizeof value;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value;
}

bool ConduitHost::GetString(const char* name, std::string& value) const {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath_.c_str(), &key) != ERROR_SUCCESS) return false;
    char buffer[1024] = "";
    DWORD type = 0, size = sizeof buffer - 1;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return false;
    value = buffer;
    return true;
}

int ConduitHost::ValueCount() const {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath_.c_str(), &key) != ERROR_SUCCESS) return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(values);
}

void ConduitHost::DeleteKey() { RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str()); }
