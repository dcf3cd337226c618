// Drives the conduit's modal dialogs from the thread that opened them: a
// timer looks for the enabled dialog window of this thread, and each step of
// a script acts on it once it is of the expected kind (reads texts and
// states, clicks, types; messages that may open a nested modal loop are
// posted).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class Window { Action, Options, About, Box };

const char* WindowName(Window kind);

class Script {
  public:
    using Action = std::function<void(HWND)>;

    // Adds a step that runs when a window of this kind is in front (and,
    // with when, once that reports true; the wait does not count as stuck).
    Script& On(Window kind, Action action, std::function<bool()> when = nullptr);

    // Runs body (which opens the dialogs) while the steps play. Windows
    // that are still open when the steps are done, or that do not match the
    // next step for a while, are cancelled and reported in failures.
    void Run(const std::function<void()>& body);

    bool Done() const { return next_ == steps_.size(); }
    const std::vector<std::string>& Failures() const { return failures_; }

  private:
    struct Step {
        Window kind;
        Action action;
        std::function<bool()> when;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::vector<Step> steps_;
    size_t next_ = 0;
    int idleTicks_ = 0;
    int waitTicks_ = 0;
    bool busy_ = false;
    std::vector<std::string> failures_;
};

// Reading and acting on dialog controls.
std::string Text(HWND window, int id);  // control text, up to 1023 bytes
std::string Caption(HWND window);
bool Checked(HWND window, int id);
bool Visible(HWND window, int id);
void Click(HWND window, int id);  // posted BM_CLICK
void Type(HWND window, int id, const char* text);
void PressEscape(HWND window);    // posted to the control with the focus
void PressCloseBox(HWND window);  // posted WM_SYSCOMMAND SC_CLOSE
std::string BoxText(HWND box);    // a message box's text
int SelectedIndex(HWND window, int id);
std::vector<std::string> ListEntries(HWND window, int id);
void Select(HWND window, int id, int index);
// Width and height of the bitmap shown by a picture control (0, 0 if none),
// and whether the control is a bitmap control.
SIZE PictureSize(HWND window, int id);
bool IsBitmapControl(HWND window, int id);
