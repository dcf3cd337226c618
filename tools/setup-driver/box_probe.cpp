// Message box probe: hooked into the thread of a program under test, it looks
// at every message box after its initialisation, finds the icon it shows and
// stores the icon's kind as the window property "TesselBoxIcon" (the kind
// plus one), which a driver in another process can read.
#include <windows.h>

namespace {

HWND iconControl;

BOOL CALLBACK FindIconControl(HWND child, LPARAM) {
    char className[16];
    if (GetClassNameA(child, className, sizeof className) > 0 &&
        lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        iconControl = child;
        return FALSE;
    }
    return TRUE;
}

bool IsMessageBox(HWND window) {
    char className[16];
    return GetClassNameA(window, className, sizeof className) > 0 &&
           lstrcmpA(className, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr &&
           GetDlgItem(window, 103) == nullptr;
}

// Kinds as in setup_driver::BoxIcon.
int IconKind(HWND box) {
    iconControl = nullptr;
    EnumChildWindows(box, FindIconControl, 0);
    if (iconControl == nullptr) return 1;
    HICON icon = reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0));
    if (icon == nullptr) return 1;
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(32516))) return 2;  // IDI_INFORMATION
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(32514))) return 3;  // IDI_QUESTION
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(32513))) return 4;  // IDI_ERROR
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(32515))) return 5;  // IDI_WARNING
    return 6;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK BoxProbe(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (call->message == WM_INITDIALOG && IsMessageBox(call->hwnd)) {
            SetPropA(call->hwnd, "TesselBoxIcon",
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(IconKind(call->hwnd) + 1)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
