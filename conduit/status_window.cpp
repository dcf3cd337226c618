#include "status_window.h"

#include "bitmaps.h"
#include "entry.h"
#include "messages.h"

namespace {

INT_PTR CALLBACK StatusProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HBITMAP picture = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(kStatusBitmapId));
            if (picture != nullptr) {
                HBITMAP image = MakeTransparentBitmap(picture, GetSysColor(COLOR_BTNFACE));
                DeleteObject(picture);
                if (image != nullptr) SetPictureBitmap(GetDlgItem(dialog, kStatusIconId), image);
            }
            return TRUE;
        }
        case WM_DESTROY: {
            // The picture made for the strip goes with it.
            HBITMAP image = reinterpret_cast<HBITMAP>(
                SendDlgItemMessageA(dialog, kStatusIconId, STM_GETIMAGE, IMAGE_BITMAP, 0));
            if (image != nullptr) DeleteObject(image);
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateSyncStatusWindow() {
    HWND owner = GetActiveWindow();
    if (owner == nullptr) return nullptr;

    HWND dialog =
        CreateDialogParamA(moduleHandle, MAKEINTRESOURCEA(kStatusDialogId), owner, StatusProc, 0);
    if (dialog != nullptr) {
        RECT ownerRect, rect;
        GetWindowRect(owner, &ownerRect);
        GetWindowRect(dialog, &rect);
        rect.left = ownerRect.left;
        rect.right = ownerRect.right;
        rect.top = ownerRect.bottom;
        rect.bottom = ownerRect.bottom + kStatusHeight;
        MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   TRUE);
        const int width = ownerRect.right - ownerRect.left;

        MoveWindow(GetDlgItem(dialog, kStatusIconId), kStatusPictureX, 0, kStatusPictureSize,
                   kStatusPictureSize, TRUE);

        HWND text = GetDlgItem(dialog, kStatusTextId);
        RECT textRect;
        GetWindowRect(text, &textRect);
        const int height = textRect.bottom - textRect.top;
        MoveWindow(text, kStatusTextX, (kStatusPictureSize - height) / 2,
                   (width - kStatusTextMargin) - kStatusTextX, height, TRUE);

        SetWindowTextA(text, Msg(msgSyncInitializing));
        ShowWindow(dialog, SW_SHOWNOACTIVATE);
        UpdateWindow(dialog);
    }
    SetActiveWindow(owner);
    return dialog;
}

void SetSyncStatusText(HWND window, const char* text) {
    if (window != nullptr) SetDlgItemTextA(window, kStatusTextId, text);
}

void DestroySyncStatusWindow(HWND window) {
    if (window != nullptr) DestroyWindow(window);
}
