#include "dialog_driver.h"

#include <cstring>

namespace {

Script* running = nullptr;

constexpr UINT kTickMs = 20;
constexpr int kStuckTicks = 150;  // 3 s without a matching window
constexpr int kSettleTicks = 2;   // ticks between two steps

struct Found {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<Found*>(data)->windows.push_back(window);
    return TRUE;
}

// The modal window in front: the one dialog of this thread that is enabled.
HWND FrontWindow() {
    Found found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found.windows.empty() ? nullptr : found.windows.front();
}

bool IsKind(HWND window, Window kind) {
    switch (kind) {
        case Window::Action:
            return GetDlgItem(window, 406) != nullptr && GetDlgItem(window, 409) != nullptr;
        case Window::Options:
            return GetDlgItem(window, 1025) != nullptr;
        case Window::About:
            return GetDlgItem(window, 107) != nullptr && GetDlgItem(window, 110) != nullptr;
        case Window::Box:
            return GetDlgItem(window, 0xFFFF) != nullptr;
    }
    return false;
}

std::string Describe(HWND window) {
    for (Window kind : {Window::Action, Window::Options, Window::About, Window::Box})
        if (IsKind(window, kind)) {
            std::string text = WindowName(kind);
            if (kind == Window::Box) text += " \"" + BoxText(window) + "\"";
            return text;
        }
    return "window \"" + Caption(window) + "\"";
}

}  // namespace

const char* WindowName(Window kind) {
    switch (kind) {
        case Window::Action:
            return "action dialog";
        case Window::Options:
            return "options dialog";
        case Window::About:
            return "about dialog";
        case Window::Box:
            return "message box";
    }
    return "?";
}

Script& Script::On(Window kind, Action action, std::function<bool()> when) {
    steps_.push_back({kind, std::move(action), std::move(when)});
    return *this;
}

void Script::Run(const std::function<void()>& body) {
    running = this;
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, Tick);
    body();
    KillTimer(nullptr, timer);
    running = nullptr;
    if (!Done())
        failures_.push_back(std::string("steps left over, next: ") +
                            WindowName(steps_[next_].kind));
}

void CALLBACK Script::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (running != nullptr && !running->busy_) {
        running->busy_ = true;
        running->OnTick();
        running->busy_ = false;
    }
}

void Script::OnTick() {
    if (waitTicks_ > 0) {
        --waitTicks_;
        return;
    }
    HWND front = FrontWindow();
    if (front == nullptr) return;
    if (!Done() && IsKind(front, steps_[next_].kind)) {
        idleTicks_ = 0;
        if (steps_[next_].when && !steps_[next_].when()) return;
        Step& step = steps_[next_++];
        step.action(front);
        waitTicks_ = kSettleTicks;
        return;
    }
    if (++idleTicks_ < (Done() ? kStuckTicks / 3 : kStuckTicks)) return;
    idleTicks_ = 0;
    failures_.push_back(
        "unexpected " + Describe(front) +
        (Done() ? std::string(" after the last step")
                : std::string(" while waiting for ") + WindowName(steps_[next_].kind)));
    PostMessageA(front, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::string Text(HWND window, int id) {
    char text[1024] = "";
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

std::string Caption(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

bool Visible(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return control != nullptr && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Click(HWND window, int id) { PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0); }

void Type(HWND window, int id, const char* text) { SetDlgItemTextA(window, id, text); }

void PressEscape(HWND window) {
    HWND focus = GetFocus();
    HWND target = focus != nullptr && IsChild(window, focus) ? focus : window;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void PressCloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::string BoxText(HWND box) { return Text(box, 0xFFFF); }

int SelectedIndex(HWND window, int id) {
    return static_cast<int>(SendDlgItemMessageA(window, id, CB_GETCURSEL, 0, 0));
}

std::vector<std::string> ListEntries(HWND window, int id) {
    std::vector<std::string> entries;
    int count = static_cast<int>(SendDlgItemMessageA(window, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendDlgItemMessageA(window, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

void Select(HWND window, int id, int index) {
    SendDlgItemMessageA(window, id, CB_SETCURSEL, index, 0);
}

SIZE PictureSize(HWND window, int id) {
    SIZE size = {0, 0};
    HANDLE image =
        reinterpret_cast<HANDLE>(SendDlgItemMessageA(window, id, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info;
    if (image != nullptr && GetObjectA(image, sizeof info, &info) != 0) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

bool IsBitmapControl(HWND window, int id) {
    return (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}
