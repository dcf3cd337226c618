// Stand-in for the parts of the conduit library that the dialogs need
// (module handle, data directory, message file loading), used to build a
// dialogs-only library while the conduit's own entry points are not in the
// tree. Never part of Tessel20.
#include <windows.h>

#include <cstring>

#include "entry.h"
#include "messages.h"

HINSTANCE moduleHandle = nullptr;
char dataDirectory[kPathSize] = "";

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) moduleHandle = instance;
    return TRUE;
}

#ifndef TESSEL_HAVE_LOAD_MESSAGE_FILE
namespace {

bool Check(bool ok, const char* text) {
    if (!ok) MessageBoxA(GetActiveWindow(), text, "Internal Error", MB_OK);
    return ok;
}

}  // namespace

void LoadMessageTexts(const char* path, const char* section) {
    for (int i = 0; i < kMessageCount; ++i) {
        char value[256] = "";
        GetPrivateProfileStringA(section, MessageCatalog[i].key, "", value, sizeof value, path);
        SetMessageText(static_cast<MessageKey>(i), value);
    }
}

void LoadMessageFile(HINSTANCE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr || (slash - path) + 12 >= MAX_PATH) return;
    std::strcpy(slash + 1, "conduit.nls");
    const char* tail = "\n\nDefault language will be used.";
    auto text = [&](const char* first) {
        static char box[200];
        std::strcpy(box, first);
        std::strcat(box, tail);
        return box;
    };
    if (!Check(GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES,
               text("ERROR: Unable to locate message file!")))
        return;
    struct Rule {
        const char* key;
        const char* expected;
        const char* empty;
        const char* mismatch;
    };
    const Rule rules[] = {
        {"ContentType", "NLS-Message-File", "ERROR: Unable to identify message file type!",
         "ERROR: Content type mismatch in message file!"},
        {"ContentVersion", "1.00", "ERROR: Unable to determine content version of message file!",
         "ERROR: Content version mismatch in message file!"},
        {"ModuleName", "LYConduit20", "ERROR: Unable to identify message file!",
         "ERROR: Module mismatch in message file!"},
        {"ModuleVersion", "0.50", "ERROR: Unable to determine version of message file!",
         "ERROR: Module version mismatch in message file!"},
    };
    for (const Rule& rule : rules) {
        char value[80] = "";
        GetPrivateProfileStringA("General", rule.key, "", value, sizeof value, path);
        if (!Check(value[0] != '\0', text(rule.empty))) return;
        if (!Check(lstrcmpiA(value, rule.expected) == 0, text(rule.mismatch))) return;
    }
    char language[20] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language);
    if (language[0] != '\0' && GetPrivateProfileIntA("Languages", language, 0, path) == 0)
        language[0] = '\0';
    if (language[0] == '\0')
        GetPrivateProfileStringA("General", "DefaultLanguage", "", language, sizeof language, path);
    if (language[0] == '\0') return;
    LoadMessageTexts(path, language);
}
#endif
