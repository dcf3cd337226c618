#include "driver.h"

#include <algorithm>
#include <cstring>

namespace setup_driver {

namespace {

constexpr DWORD kPollMs = 20;

struct Search {
    DWORD processId;
    bool wantDialog;
    const std::vector<HWND>* skip;
    HWND found;
};

bool IsDialogClass(HWND window) {
    char className[16];
    return GetClassNameA(window, className, sizeof className) > 0 &&
           std::strcmp(className, "#32770") == 0;
}

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM parameter) {
    Search* search = reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window) || !IsDialogClass(window)) {
        return TRUE;
    }
    bool isDialog = GetDlgItem(window, 103) != nullptr;
    if (isDialog != search->wantDialog) return TRUE;
    if (search->skip != nullptr &&
        std::find(search->skip->begin(), search->skip->end(), window) != search->skip->end()) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindOwnWindow(DWORD processId, bool wantDialog, const std::vector<HWND>* skip) {
    Search search{processId, wantDialog, skip, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The probe DLL lies beside the driver program.
HMODULE ProbeModule() {
    static HMODULE module = LoadLibraryA((ProgramDirectory() + "tessel_box_probe.dll").c_str());
    return module;
}

}  // namespace

const char* BoxIconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None:
            return "none";
        case BoxIcon::Information:
            return "information";
        case BoxIcon::Question:
            return "question";
        case BoxIcon::Error:
            return "error";
        case BoxIcon::Warning:
            return "warning";
        case BoxIcon::Other:
            return "other";
        default:
            return "unknown";
    }
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    size_t slash = directory.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
}

SetupProcess::~SetupProcess() { Kill(); }

bool SetupProcess::Start(const std::string& program, const std::string& directory) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, directory.c_str(), &startup, &info_)) {
        info_ = PROCESS_INFORMATION{};
        return false;
    }
    HMODULE probe = ProbeModule();
    if (probe != nullptr) {
        auto proc =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "BoxProbe")));
        if (proc != nullptr)
            hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, proc, probe, info_.dwThreadId);
    }
    ResumeThread(info_.hThread);
    return true;
}

HWND SetupProcess::WaitForDialog(DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += kPollMs) {
        HWND dialog = FindOwnWindow(info_.dwProcessId, true, nullptr);
        if (dialog != nullptr) return dialog;
        if (waited >= timeoutMs || !Running()) return nullptr;
        Sleep(kPollMs);
    }
}

bool SetupProcess::WaitForMessageBox(MessageBoxInfo* box, DWORD timeoutMs) {
    HWND window = nullptr;
    for (DWORD waited = 0;; waited += kPollMs) {
        window = FindOwnWindow(info_.dwProcessId, false, &answered_);
        if (window != nullptr) break;
        if (waited >= timeoutMs || !Running()) return false;
        Sleep(kPollMs);
    }
    Describe(window, box);
    return true;
}

HWND SetupProcess::WaitForDialogOrBox(MessageBoxInfo* box, DWORD timeoutMs) {
    *box = MessageBoxInfo{};
    for (DWORD waited = 0;; waited += kPollMs) {
        HWND window = FindOwnWindow(info_.dwProcessId, false, &answered_);
        if (window != nullptr) {
            Describe(window, box);
            return nullptr;
        }
        HWND dialog = FindOwnWindow(info_.dwProcessId, true, nullptr);
        if (dialog != nullptr) return dialog;
        if (waited >= timeoutMs || !Running()) return nullptr;
        Sleep(kPollMs);
    }
}

void SetupProcess::Describe(HWND window, MessageBoxInfo* box) {
    *box = MessageBoxInfo{};
    box->window = window;
    box->owner = GetWindow(window, GW_OWNER);
    box->text = ItemText(window, 0xFFFF);
    box->caption = Text(window);
    static const int kButtons[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    for (int id : kButtons) {
        HWND button = GetDlgItem(window, id);
        if (button != nullptr && IsWindowVisible(button)) box->buttons.push_back(id);
    }
    // The probe marks the box while it initialises, before it is shown.
    for (DWORD waited = 0; hook_ != nullptr && waited < 2000; waited += kPollMs) {
        INT_PTR mark = reinterpret_cast<INT_PTR>(GetPropA(window, "TesselBoxIcon"));
        if (mark != 0) {
            box->icon = static_cast<BoxIcon>(mark - 1);
            break;
        }
        Sleep(kPollMs);
    }
}

bool SetupProcess::Answer(const MessageBoxInfo& box, int id, DWORD timeoutMs) {
    answered_.push_back(box.window);
    Click(box.window, id);
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (!IsWindow(box.window) || !IsWindowVisible(box.window)) return true;
        Sleep(kPollMs);
    }
    return false;
}

void SetupProcess::Click(HWND window, int id) {
    PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

std::string SetupProcess::Text(HWND window) {
    char text[2048];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string SetupProcess::ItemText(HWND window, int id) {
    char text[2048];
    UINT length = GetDlgItemTextA(window, id, text, sizeof text);
    return std::string(text, length);
}

bool SetupProcess::WaitForExit(DWORD* exitCode, DWORD timeoutMs) {
    if (info_.hProcess == nullptr) return false;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(info_.hProcess, exitCode) != 0;
}

bool SetupProcess::Running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void SetupProcess::Kill() {
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
    if (info_.hProcess != nullptr) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    info_ = PROCESS_INFORMATION{};
    answered_.clear();
}

}  // namespace setup_driver
