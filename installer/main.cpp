// TesselSetup: finds install.ini in the current directory and offers to
// register or remove the conduit in a small dialog.
#include <windows.h>

#include <cstring>

#include "config.h"
#include "registration.h"
#include "resource.h"

namespace {

HINSTANCE programInstance;

// Joins directory and name with one backslash into target; false when the
// result does not fit, which leaves target empty.
bool JoinPath(const char* directory, const char* name, char* target, size_t size) {
    size_t dirLength = std::strlen(directory);
    bool separator = dirLength == 0 || directory[dirLength - 1] != '\\';
    size_t total = dirLength + (separator ? 1 : 0) + std::strlen(name);
    target[0] = '\0';
    if (total >= size) return false;
    std::memcpy(target, directory, dirLength);
    if (separator) target[dirLength++] = '\\';
    std::strcpy(target + dirLength, name);
    return true;
}

// A path beyond the platform's limit names no file.
bool FileExists(const char* path) {
    return path[0] != '\0' && std::strlen(path) < MAX_PATH &&
           GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int ShowBox(HWND owner, int32_t textId, int32_t captionId, UINT type) {
    const char* text = INSTALLER_TEXT(textId);
    const char* caption = INSTALLER_TEXT(captionId);
    return MessageBoxA(owner, text, caption, type);
}

void InitDialog(HWND dialog) {
    const InstallerConfig& c = installerConfig;
    HICON icon = LoadIconA(programInstance, MAKEINTRESOURCEA(IDI_SETUP));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    HWND picture = GetDlgItem(dialog, IDC_PICTURE);
    HBITMAP bitmap = LoadBitmapA(programInstance, MAKEINTRESOURCEA(IDB_SETUP));
    LONG style = GetWindowLongA(picture, GWL_STYLE);
    SetWindowLongA(picture, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_BITMAP);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));

    HWND title = GetDlgItem(dialog, IDC_TITLE);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0));
    LOGFONTA description;
    if (font != nullptr && GetObjectA(font, sizeof description, &description) != 0) {
        description.lfWeight = FW_BOLD;
        HFONT bold = CreateFontIndirectA(&description);
        if (bold != nullptr) SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    }

    SetWindowTextA(dialog, c.caption);
    SetDlgItemTextA(dialog, IDC_TITLE, c.title);
    SetDlgItemTextA(dialog, IDC_INFO, c.info);
    SetDlgItemTextA(dialog, IDC_NAME, c.name);
    SetDlgItemTextA(dialog, IDC_DESCRIPTION, c.description);
    SetDlgItemTextA(dialog, IDC_VERSION, c.version);
    SetDlgItemTextA(dialog, IDC_INSTALL, INSTALLER_TEXT(msgButtonInstall));
    SetDlgItemTextA(dialog, IDC_UNINSTALL, INSTALLER_TEXT(msgButtonUninstall));
    SetDlgItemTextA(dialog, IDC_QUIT, INSTALLER_TEXT(msgButtonQuit));
}

void Install(HWND dialog) {
    const InstallerConfig& c = installerConfig;
    const UINT question = MB_YESNOCANCEL | MB_ICONQUESTION;
    if (!FileExists(c.conduitPath) &&
        ShowBox(dialog, msgAskMissingModule, msgCaptionConfirm, question) != IDYES) {
        return;
    }
    if (FindConduitByCreator(c.creatorCode)) {
        if (ShowBox(dialog, msgAskReplace, msgCaptionConfirm, question) != IDYES) return;
        UnregisterConduit(c.creatorCode);
    }
    if (RegisterConduit(c.name, c.creatorCode, c.conduitPath, c.directory, c.priority)) {
        ShowBox(dialog, msgInstalled, msgCaptionInstalled, MB_OK | MB_ICONINFORMATION);
    } else {
        ShowBox(dialog, msgErrNotInstalled, msgCaptionInstallFailed, MB_OK | MB_ICONERROR);
    }
}

void Uninstall(HWND dialog) {
    if (UnregisterConduit(installerConfig.creatorCode)) {
        ShowBox(dialog, msgRemoved, msgCaptionRemoved, MB_OK | MB_ICONINFORMATION);
    } else {
        ShowBox(dialog, msgErrNotRemoved, msgCaptionRemoveFailed, MB_OK | MB_ICONERROR);
    }
}

INT_PTR CALLBACK InstallerDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDC_QUIT:
                    EndDialog(dialog, 1);
                    return TRUE;
                case IDC_UNINSTALL:
                    Uninstall(dialog);
                    return TRUE;
                case IDC_INSTALL:
                    Install(dialog);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    programInstance = instance;
    InstallerConfig& c = installerConfig;

    DWORD length = GetCurrentDirectoryA(sizeof c.currentDirectory, c.currentDirectory);
    if (length == 0 || length >= sizeof c.currentDirectory ||
        !JoinPath(c.currentDirectory, "install.ini", c.iniPath, sizeof c.iniPath) ||
        !FileExists(c.iniPath)) {
        c.iniPath[0] = '\0';
        ShowPlainMessage(msgErrNoConfigFile);
        return 1;
    }
    if (!LoadInstallerConfig()) {
        ShowPlainMessage(msgErrConfigIncomplete);
        return 1;
    }
    JoinPath(c.currentDirectory, c.module, c.conduitPath, sizeof c.conduitPath);

    // A dialog that cannot be created at all (no desktop, a broken resource)
    // is a failure, not a dialog that the user closed.
    INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALLER), nullptr, InstallerDialog, 0);
    return result == -1 ? 1 : 0;
}
