#include "dialogs.h"

#include <shellapi.h>

#include <cstring>

#include "bitmaps.h"
#include "entry.h"
#include "messages.h"
#include "settings.h"

int32_t SyncAction = 2;
int32_t MakeDefault = 0;

namespace {

constexpr int32_t kActionOverwrite = 2;
constexpr int32_t kActionNothing = 3;

UINT CheckState(bool on) { return on ? BST_CHECKED : BST_UNCHECKED; }

uint32_t IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

void SetTexts(HWND dialog, const int (*table)[2], size_t count) {
    for (size_t i = 0; i < count; ++i)
        SetDlgItemTextA(dialog, table[i][0], Msg(static_cast<MessageKey>(table[i][1])));
}

// Takes the image out of a picture control and releases it.
void ReleasePicture(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return;
    HANDLE image = reinterpret_cast<HANDLE>(
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(nullptr)));
    if (image != nullptr) DeleteObject(image);
}

void ShowError(HWND owner, MessageKey key) {
    MessageBoxA(owner, Msg(key), nullptr, MB_OK | MB_ICONERROR);
}

// ---- HotSync action dialog ------------------------------------------------

struct Picture {
    int control;
    int bitmap;
};
constexpr Picture kSyncPictures[] = {
    {IDC_SYNC_PIC_OVERWRITE, IDB_SYNC_OVERWRITE},
    {IDC_SYNC_PIC_NOTHING, IDB_SYNC_NOTHING},
    {IDC_SYNC_PIC_DELETE, IDB_SYNC_DELETE},
    {IDC_SYNC_PIC_STATUS, IDB_SYNC_STATUS},
};

constexpr int kSyncTexts[][2] = {
    {IDC_SYNC_OVERWRITE, msgUISync002}, {IDC_SYNC_NOTHING, msgUISync003},
    {IDC_SYNC_DELETE, msgUISync004},    {IDC_SYNC_STATUS, msgUISync005},
    {IDC_SYNC_DEFAULT, msgUISync006},   {IDOK, msgUISync007},
    {IDCANCEL, msgUISync008},           {IDC_SYNC_OPTIONS, msgUISync010},
    {IDC_SYNC_ABOUT, msgUISync011},
};

void InitSyncActionDialog(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SYNC_GROUP, kConduitName);

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (const Picture& picture : kSyncPictures) {
        HBITMAP source = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(picture.bitmap));
        if (source == nullptr) continue;  // the control keeps its empty face
        HBITMAP image = MakeTransparentBitmap(source, face);
        DeleteObject(source);
        if (image == nullptr) continue;
        HBITMAP previous = SetPictureBitmap(GetDlgItem(dialog, picture.control), image);
        if (previous != nullptr) DeleteObject(previous);
    }

    SetWindowTextA(dialog, Msg(msgUISync001));
    SetTexts(dialog, kSyncTexts, sizeof kSyncTexts / sizeof kSyncTexts[0]);

    CheckDlgButton(dialog, SyncAction == kActionOverwrite ? IDC_SYNC_OVERWRITE : IDC_SYNC_NOTHING,
                   BST_CHECKED);
    CheckDlgButton(dialog, IDC_SYNC_DELETE, CheckState(ConduitSettings.DeleteRecords != 0));
    CheckDlgButton(dialog, IDC_SYNC_STATUS, CheckState(ConduitSettings.ShowSyncStatus != 0));
    CheckDlgButton(dialog, IDC_SYNC_DEFAULT, BST_UNCHECKED);
}

// ---- Options dialog ---------------------------------------------------------

constexpr int kOptionTexts[][2] = {
    {IDC_OPT_BACKUP_GROUP, msgUIOptions022},
    {IDC_OPT_BACKUP_ALL, msgUIOptions023},
    {IDC_OPT_BACKUP_CHANGED, msgUIOptions024},
    {IDC_OPT_FORMAT_GROUP, msgUIOptions002},
    {IDC_OPT_TITLE, msgUIOptions003},
    {IDC_OPT_FIELD_NAMES, msgUIOptions004},
    {IDC_OPT_SEPARATE, msgUIOptions025},
    {IDC_OPT_SINGLE_LINE, msgUIOptions005},
    {IDC_OPT_QUOTE_DATES, msgUIOptions006},
    {IDC_OPT_DATE_LABEL, msgUIOptions007},
    {IDC_OPT_FIELD_GROUP, msgUIOptions008},
    {IDC_OPT_FIELD_COMMA, msgUIOptions009},
    {IDC_OPT_FIELD_SEMICOLON, msgUIOptions010},
    {IDC_OPT_FIELD_TAB, msgUIOptions011},
    {IDC_OPT_FIELD_OTHER, msgUIOptions012},
    {IDC_OPT_TEXT_GROUP, msgUIOptions013},
    {IDC_OPT_TEXT_LABEL, msgUIOptions014},
    {IDC_OPT_TEXT_DOUBLE, msgUIOptions015},
    {IDC_OPT_TEXT_SINGLE, msgUIOptions016},
    {IDC_OPT_TEXT_NONE, msgUIOptions017},
    {IDC_OPT_TEXT_OTHER, msgUIOptions018},
    {IDOK, msgUIOptions019},
    {IDCANCEL, msgUIOptions020},
    {IDC_OPT_DATA, msgUIOptions021},
};

constexpr const char* kDateExamples[] = {
    "14-03-2000", "03-14-2000", "2000-03-14", "14/03/2000", "03/14/2000",
    "2000/03/14", "14.03.2000", "03.14.2000", "2000.03.14",
};
constexpr int kDateFormatCount = sizeof kDateExamples / sizeof kDateExamples[0];

void InitOptionsDialog(HWND dialog) {
    const SettingsRecord& s = ConduitSettings;
    SetWindowTextA(dialog, Msg(msgUIOptions001));
    SetTexts(dialog, kOptionTexts, sizeof kOptionTexts / sizeof kOptionTexts[0]);

    CheckDlgButton(dialog, s.SyncBackupMethod == 1 ? IDC_OPT_BACKUP_CHANGED : IDC_OPT_BACKUP_ALL,
                   BST_CHECKED);

    switch (s.FieldDelimiter[0]) {
        case ',':
            CheckDlgButton(dialog, IDC_OPT_FIELD_COMMA, BST_CHECKED);
            break;
        case ';':
            CheckDlgButton(dialog, IDC_OPT_FIELD_SEMICOLON, BST_CHECKED);
            break;
        case '\t':
            CheckDlgButton(dialog, IDC_OPT_FIELD_TAB, BST_CHECKED);
            break;
        default:
            CheckDlgButton(dialog, IDC_OPT_FIELD_OTHER, BST_CHECKED);
            SetDlgItemTextA(dialog, IDC_OPT_FIELD_OTHER_TEXT, s.FieldDelimiter);
            break;
    }
    switch (s.StringDelimiter[0]) {
        case '"':
            CheckDlgButton(dialog, IDC_OPT_TEXT_DOUBLE, BST_CHECKED);
            break;
        case '\'':
            CheckDlgButton(dialog, IDC_OPT_TEXT_SINGLE, BST_CHECKED);
            break;
        case '\0':
            CheckDlgButton(dialog, IDC_OPT_TEXT_NONE, BST_CHECKED);
            break;
        default:
            CheckDlgButton(dialog, IDC_OPT_TEXT_OTHER, BST_CHECKED);
            SetDlgItemTextA(dialog, IDC_OPT_TEXT_OTHER_TEXT, s.StringDelimiter);
            break;
    }

    CheckDlgButton(dialog, IDC_OPT_TITLE, CheckState(s.ReportTitle != 0));
    CheckDlgButton(dialog, IDC_OPT_FIELD_NAMES, CheckState(s.FieldNames != 0));
    CheckDlgButton(dialog, IDC_OPT_SEPARATE, CheckState(s.SeparateReports != 0));
    CheckDlgButton(dialog, IDC_OPT_SINGLE_LINE, CheckState(s.SingleLineNotes != 0));
    CheckDlgButton(dialog, IDC_OPT_QUOTE_DATES, CheckState(s.QuoteDateFields != 0));

    for (const char* example : kDateExamples)
        SendDlgItemMessageA(dialog, IDC_OPT_DATE_FORMAT, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(example));
    SendDlgItemMessageA(dialog, IDC_OPT_DATE_FORMAT, CB_SETCURSEL, s.DateFormat, 0);
}

// Reads the first character of an edit box ("" when it is empty).
void ReadDelimiter(HWND dialog, int id, char (&delimiter)[2]) {
    char text[2] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    delimiter[0] = text[0];
    delimiter[1] = '\0';
}

void StoreOptions(HWND dialog) {
    SettingsRecord& s = ConduitSettings;
    s.SyncBackupMethod = IsChecked(dialog, IDC_OPT_BACKUP_CHANGED) ? 1 : 0;

    if (IsChecked(dialog, IDC_OPT_FIELD_COMMA)) {
        std::strcpy(s.FieldDelimiter, ",");
    } else if (IsChecked(dialog, IDC_OPT_FIELD_SEMICOLON)) {
        std::strcpy(s.FieldDelimiter, ";");
    } else if (IsChecked(dialog, IDC_OPT_FIELD_TAB)) {
        std::strcpy(s.FieldDelimiter, "\t");
    } else {
        ReadDelimiter(dialog, IDC_OPT_FIELD_OTHER_TEXT, s.FieldDelimiter);
    }

    if (IsChecked(dialog, IDC_OPT_TEXT_DOUBLE)) {
        std::strcpy(s.StringDelimiter, "\"");
    } else if (IsChecked(dialog, IDC_OPT_TEXT_SINGLE)) {
        std::strcpy(s.StringDelimiter, "'");
    } else if (IsChecked(dialog, IDC_OPT_TEXT_NONE)) {
        s.StringDelimiter[0] = '\0';
    } else {
        ReadDelimiter(dialog, IDC_OPT_TEXT_OTHER_TEXT, s.StringDelimiter);
    }

    s.ReportTitle = IsChecked(dialog, IDC_OPT_TITLE);
    s.FieldNames = IsChecked(dialog, IDC_OPT_FIELD_NAMES);
    s.SeparateReports = IsChecked(dialog, IDC_OPT_SEPARATE);
    s.SingleLineNotes = IsChecked(dialog, IDC_OPT_SINGLE_LINE);
    s.QuoteDateFields = IsChecked(dialog, IDC_OPT_QUOTE_DATES);

    LRESULT selected = SendDlgItemMessageA(dialog, IDC_OPT_DATE_FORMAT, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < kDateFormatCount) s.DateFormat = static_cast<int32_t>(selected);
}

// Opens dataDirectory\Directory in the shell; a path that does not fit a
// file name buffer is not opened.
void OpenDataFolder(HWND dialog) {
    const size_t base = strnlen(dataDirectory, kPathSize);
    const size_t name = strnlen(ConduitSettings.Directory, kPathSize);
    char path[kPathSize];
    bool opened = false;
    if (base + 1 + name < kPathSize) {
        std::memcpy(path, dataDirectory, base);
        path[base] = '\\';
        std::memcpy(path + base + 1, ConduitSettings.Directory, name);
        path[base + 1 + name] = '\0';
        HINSTANCE result = ShellExecuteA(dialog, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
        opened = reinterpret_cast<INT_PTR>(result) > 32;
    }
    if (!opened) ShowError(dialog, msgErrOpenDataDir);
}

// ---- About dialog -------------------------------------------------------------

constexpr int kAboutTexts[][2] = {
    {IDC_ABOUT_PRODUCT, msgUIAbout002},
    {IDC_ABOUT_VERSION, msgUIAbout003},
    {IDC_ABOUT_CONTACT, msgUIAbout004},
    {IDC_ABOUT_HOMEPAGE, msgUIAbout005},
    {IDOK, msgUIAbout006},
};

void InitAboutDialog(HWND dialog) {
    HBITMAP picture = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(IDB_ABOUT));
    if (picture != nullptr) {
        HBITMAP previous = SetPictureBitmap(GetDlgItem(dialog, IDC_ABOUT_PICTURE), picture);
        if (previous != nullptr) DeleteObject(previous);
    }
    SetWindowTextA(dialog, Msg(msgUIAbout001));
    SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, kAboutNotice);
    SetTexts(dialog, kAboutTexts, sizeof kAboutTexts / sizeof kAboutTexts[0]);
}

void OpenHomePage(HWND dialog) {
    HINSTANCE result =
        ShellExecuteA(dialog, nullptr, kMakerHomePage, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) ShowError(dialog, msgErrStartBrowser);
}

}  // namespace

INT_PTR CALLBACK SyncActionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitSyncActionDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    SyncAction =
                        IsChecked(dialog, IDC_SYNC_OVERWRITE) ? kActionOverwrite : kActionNothing;
                    MakeDefault = static_cast<int32_t>(IsChecked(dialog, IDC_SYNC_DEFAULT));
                    ConduitSettings.DeleteRecords = IsChecked(dialog, IDC_SYNC_DELETE);
                    ConduitSettings.ShowSyncStatus = IsChecked(dialog, IDC_SYNC_STATUS);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_SYNC_OPTIONS:
                    DialogBoxParamA(moduleHandle, MAKEINTRESOURCEA(IDD_OPTIONS), dialog,
                                    OptionsDialogProc, 0);
                    return TRUE;
                case IDC_SYNC_ABOUT:
                    DialogBoxParamA(moduleHandle, MAKEINTRESOURCEA(IDD_ABOUT), dialog,
                                    AboutDialogProc, 0);
                    return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            for (const Picture& picture : kSyncPictures) ReleasePicture(dialog, picture.control);
            return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitOptionsDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    StoreOptions(dialog);
                    EndDialog(dialog, 1);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDC_OPT_DATA:
                    OpenDataFolder(dialog);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitAboutDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDC_ABOUT_HOMEPAGE:
                    OpenHomePage(dialog);
                    return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            ReleasePicture(dialog, IDC_ABOUT_PICTURE);
            return FALSE;
    }
    return FALSE;
}

extern "C" __declspec(dllexport) long __cdecl ConfigureConduit(SyncPreference& preference) {
    LoadMessageFile(moduleHandle);
    CopyHostText(dataDirectory, preference.userPath);

    char registryPath[sizeof preference.registryPath];
    CopyHostText(registryPath, preference.registryPath);
    // Start from the defaults, so that values missing for this user never
    // come from the user configured before in this process.
    ConduitSettings = DefaultSettings();
    LoadSettings(registryPath);

    SyncAction =
        preference.syncType == kSyncTypeHandheldOverwrites ? kActionOverwrite : kActionNothing;
    INT_PTR result = DialogBoxParamA(moduleHandle, MAKEINTRESOURCEA(IDD_SYNC_ACTION),
                                     GetActiveWindow(), SyncActionDialogProc, 0);
    if (result == IDOK) {
        preference.syncType =
            SyncAction == kActionOverwrite ? kSyncTypeHandheldOverwrites : kSyncTypeDoNothing;
        preference.preferenceKind = MakeDefault != 0 ? 1 : 2;
    }

    if (!SaveSettings(registryPath)) ShowError(GetActiveWindow(), msgErrSaveSettings);
    return 0;
}
