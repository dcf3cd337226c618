// Drives a TesselSetup.exe process through its windows: finds its dialog and
// message boxes by process id, reads their texts, clicks their buttons and
// waits for the exit status.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace setup_driver {

// The icon of a message box, as the box probe saw it when the box opened.
enum class BoxIcon { Unknown, None, Information, Question, Error, Warning, Other };
const char* BoxIconName(BoxIcon icon);

struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::Unknown;
    std::vector<int> buttons;  // IDOK, IDYES, IDNO, IDCANCEL ... present in the box
};

// The directory of the running program, with a trailing backslash.
std::string ProgramDirectory();

class SetupProcess {
  public:
    SetupProcess() = default;
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    // Starts program with directory as its current directory. A message box
    // probe is hooked into the new process's thread before it runs, so that
    // the icons of its message boxes can be told.
    bool Start(const std::string& program, const std::string& directory);

    // The installer dialog (the window holding the install button), once visible.
    HWND WaitForDialog(DWORD timeoutMs = 10000);
    // The next message box of the process that has not been answered yet.
    bool WaitForMessageBox(MessageBoxInfo* box, DWORD timeoutMs = 10000);
    // Whichever comes first: the dialog (returned) or a message box that has
    // not been answered yet (filled in, nullptr returned; box->window is
    // nullptr when neither came).
    HWND WaitForDialogOrBox(MessageBoxInfo* box, DWORD timeoutMs = 10000);
    // Clicks button id of a message box and waits until the box is gone.
    bool Answer(const MessageBoxInfo& box, int id, DWORD timeoutMs = 10000);
    // Posts a click on the control id of window.
    static void Click(HWND window, int id);
    static std::string Text(HWND window);
    static std::string ItemText(HWND window, int id);

    // True when the process ended within the time; its status in exitCode.
    bool WaitForExit(DWORD* exitCode, DWORD timeoutMs = 10000);
    bool Running() const;
    DWORD ProcessId() const { return info_.dwProcessId; }
    void Kill();

  private:
    void Describe(HWND window, MessageBoxInfo* box);

    PROCESS_INFORMATION info_{};
    HHOOK hook_ = nullptr;
    std::vector<HWND> answered_;
};

}  // namespace setup_driver
