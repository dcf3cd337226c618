#include "entry.h"

#include <cstring>

#include "messages.h"
#include "properties.h"
#include "session.h"
#include "settings.h"
#include "version.h"

HINSTANCE moduleHandle;
char dataDirectory[kPathSize];

namespace {

// Copies a host text field that may lack its terminator: at most 255 characters.
template <size_t N>
void CopyHostText(char* target, const char (&field)[N]) {
    size_t length = 0;
    while (length < N - 1 && field[length] != '\0') ++length;
    std::memcpy(target, field, length);
    target[length] = '\0';
}

}  // namespace

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
