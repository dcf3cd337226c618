// Shows the conduit's HotSync status strip for a screenshot: a window that
// stands for the HotSync manager's progress window is made active, and a
// HotSync of the example handheld runs with the strip switched on. When the
// conduit reports its progress, the strip hangs under that window; the
// program then writes status.rect (screen rectangle "x y width height" of the
// window and the strip together) into the output folder, keeps both painted
// and waits for status.done before it lets the HotSync go on. Usage:
//   status_shot LIBRARY-FOLDER LIBRARY-NAME OUTPUT-FOLDER
// The library folder holds the conduit library, the platform DLLs it imports
// and its message file. The output folder receives the handheld copy, the
// reports and the rectangle file.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "hotsync.h"

namespace {

const char kSettingsKey[] = "Software\\Tessel\\Screenshots\\Status";
const char kHostClass[] = "TesselHotSyncProgress";
const int kHostTextId = 100;
const DWORD kShotTimeoutMs = 60000;

std::string output;
HWND host = nullptr;
HWND strip = nullptr;
bool announced = false;

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash != nullptr) *slash = '\0';
    return path;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pumps messages for the given time, or until the file exists.
void PumpFor(DWORD milliseconds, const std::string& untilFile = "") {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        Pump();
        if (!untilFile.empty() && Exists(untilFile)) return;
        Sleep(20);
    }
}

BOOL CALLBACK FindStrip(HWND window, LPARAM) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && GetWindow(window, GW_OWNER) == host &&
        IsWindowVisible(window)) {
        strip = window;
        return FALSE;
    }
    return TRUE;
}

bool WriteRect(const RECT& rect) {
    const std::string file = output + "\\status.rect";
    const std::string partial = file + ".part";
    FILE* f = std::fopen(partial.c_str(), "w");
    if (f == nullptr) return false;
    std::fprintf(f, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(f);
    return MoveFileExA(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// The host's progress callback: shows the text in the progress window and,
// the first time, has the picture taken.
long __cdecl Progress(char* text) {
    SetDlgItemTextA(host, kHostTextId, text != nullptr ? text : "");
    if (announced) return 0;
    announced = true;
    EnumThreadWindows(GetCurrentThreadId(), FindStrip, 0);
    if (strip == nullptr) {
        std::fprintf(stderr, "status_shot: no status strip under the progress window\n");
        return 0;
    }
    PumpFor(300);
    RECT hostRect, stripRect, both;
    GetWindowRect(host, &hostRect);
    GetWindowRect(strip, &stripRect);
    UnionRect(&both, &hostRect, &stripRect);
    if (!WriteRect(both)) {
        std::fprintf(stderr, "status_shot: cannot write %s\\status.rect\n", output.c_str());
        return 0;
    }
    PumpFor(kShotTimeoutMs, output + "\\status.done");
    return 0;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHostWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kHostClass;
    if (RegisterClassA(&windowClass) == 0) return nullptr;
    HWND window =
        CreateWindowExA(0, kHostClass, "HotSync Progress", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        80, 60, 420, 160, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return nullptr;
    HWND text = CreateWindowExA(0, "STATIC", "HotSync", WS_CHILD | WS_VISIBLE | SS_LEFT, 20, 48,
                                372, 20, window, reinterpret_cast<HMENU>(kHostTextId),
                                GetModuleHandleA(nullptr), nullptr);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    UpdateWindow(window);
    return window;
}

bool CopyExampleHandheld(const std::string& handheld) {
    const std::string example = ProgramFolder() + "\\..\\examples\\handheld\\";
    CreateDirectoryA(handheld.c_str(), nullptr);
    for (const char* file : {"Ledgerly_DB.pdb", "LedgerlyAux_DB.pdb", "User.txt"}) {
        if (!CopyFileA((example + file).c_str(), (handheld + "\\" + file).c_str(), FALSE)) {
            std::fprintf(stderr, "status_shot: cannot copy %s%s\n", example.c_str(), file);
            return false;
        }
    }
    return true;
}

bool WriteSettings() {
    HKEY key;
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    if (RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key) != ERROR_SUCCESS) return false;
    const DWORD on = 1;
    const bool ok = RegSetValueExA(key, "ShowSyncStatus", 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&on), sizeof on) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

template <typename T>
T Resolve(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: status_shot LIBRARY-FOLDER LIBRARY-NAME OUTPUT-FOLDER\n");
        return 2;
    }
    output = argv[3];
    const std::string library = std::string(argv[1]) + "\\" + argv[2];
    const std::string handheld = output + "\\handheld";
    if (!CopyExampleHandheld(handheld)) return 1;
    if (!WriteSettings()) {
        std::fprintf(stderr, "status_shot: cannot write HKCU\\%s\n", kSettingsKey);
        return 1;
    }

    HMODULE module = LoadLibraryExA(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    auto open = Resolve<long(__cdecl*)(ProgressFn, SyncProperties*)>(module, "OpenConduit");
    // The Sync Manager the conduit was bound to.
    HMODULE sync = GetModuleHandleA("SYNC20.dll");
    auto begin =
        Resolve<long(__cdecl*)(const char*, void(__cdecl*)(const char*))>(sync, "SyncHostBegin");
    auto end = Resolve<long(__cdecl*)()>(sync, "SyncHostEnd");
    if (open == nullptr || begin == nullptr || end == nullptr) {
        std::fprintf(stderr, "status_shot: cannot load %s with its Sync Manager\n",
                     library.c_str());
        return 1;
    }

    host = CreateHostWindow();
    if (host == nullptr) {
        std::fprintf(stderr, "status_shot: cannot create the progress window\n");
        return 1;
    }
    PumpFor(300);

    SyncProperties properties;
    std::memset(&properties, 0, sizeof properties);
    properties.syncType = kSyncTypeHandheldOverwrites;
    std::snprintf(properties.dataPath, sizeof properties.dataPath, "%s\\Data", output.c_str());
    std::snprintf(properties.registryPath, sizeof properties.registryPath, "%s", kSettingsKey);
    begin(handheld.c_str(), nullptr);
    const long result = open(Progress, &properties);
    end();

    const bool stripGone = strip != nullptr && !IsWindow(strip);
    DestroyWindow(host);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    if (!announced) {
        std::fprintf(stderr, "status_shot: the conduit never reported its progress\n");
        return 1;
    }
    if (strip == nullptr) return 1;
    if (result != 0) {
        std::fprintf(stderr, "status_shot: OpenConduit returned %ld\n", result);
        return 1;
    }
    if (!stripGone) {
        std::fprintf(stderr, "status_shot: the status strip outlived the HotSync\n");
        return 1;
    }
    return 0;
}
