#include "entry.h"

#include <cstring>

#include "messages.h"
#include "properties.h"
#include "session.h"
#include "settings.h"
#include "version.h"

HINSTANCE moduleHandle;
char dataDirectory[kPathSize];

extern "C" __declspec(dllexport) long __cdecl LibMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleHandle = instance;
    return 1;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return LibMain(instance, reason, reserved) != 0 ? TRUE : FALSE;
}

extern "C" __declspec(dllexport) long __cdecl GetConduitName(char* buffer, WORD size) {
    if (buffer == nullptr) return -1;
    std::strncpy(buffer, kConduitName, size);
    return 0;
}

extern "C" __declspec(dllexport) DWORD __cdecl GetConduitVersion() {
    return TESSEL_CONDUIT_VERSION_MAJOR << 8 | TESSEL_CONDUIT_VERSION_MINOR;
}

extern "C" __declspec(dllexport) long __cdecl OpenConduit(ProgressFn progress,
                                                          SyncProperties& properties) {
    // Nothing of an earlier run carries over into this one.
    ResetLogHeader();
    LoadMessageFile(moduleHandle);
    CopyHostText(dataDirectory, properties.dataPath);

    char registryPath[sizeof properties.registryPath];
    CopyHostText(registryPath, properties.registryPath);
    ConduitSettings = DefaultSettings();
    if (!LoadSettings(registryPath)) {
        LogMessage(Msg(msgErrLoadSettings));
        return -1;
    }
    if (dataDirectory[0] == '\0') {
        LogMessage(Msg(msgErrNoDataDir));
        return -1;
    }
    handheldProperties.Clear();
    std::memset(pilotId, 0, sizeof pilotId);
    std::memset(userId, 0, sizeof userId);
    return SyncSession(progress, properties);
}
