#include "bitmaps.h"

HBITMAP MakeTransparentBitmap(HBITMAP source, COLORREF background) {
    BITMAP info;
    if (source == nullptr || GetObjectA(source, sizeof info, &info) == 0) return nullptr;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    HDC sourceDC = CreateCompatibleDC(nullptr);
    HDC copyDC = CreateCompatibleDC(nullptr);
    HDC maskDC = CreateCompatibleDC(nullptr);
    HDC resultDC = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);

    HGDIOBJ oldSource = SelectObject(sourceDC, source);
    const COLORREF transparent = GetPixel(sourceDC, 0, 0);
    HGDIOBJ oldMask = SelectObject(maskDC, mask);

    // Both take the source's colour format from the context it is selected into.
    HBITMAP copy = CreateCompatibleBitmap(sourceDC, width, height);
    HBITMAP result = CreateCompatibleBitmap(sourceDC, width, height);
    HGDIOBJ oldCopy = SelectObject(copyDC, copy);
    HGDIOBJ oldResult = SelectObject(resultDC, result);

    BitBlt(copyDC, 0, 0, width, height, sourceDC, 0, 0, SRCCOPY);

    // Colour to monochrome: pixels of the background colour become white.
    COLORREF previous = SetBkColor(copyDC, transparent);
    BitBlt(maskDC, 0, 0, width, height, copyDC, 0, 0, SRCCOPY);
    SetBkColor(copyDC, previous);

    LOGBRUSH brushInfo = {BS_SOLID, background, 0};
    HBRUSH brush = CreateBrushIndirect(&brushInfo);
    RECT all = {0, 0, width, height};
    FillRect(resultDC, &all, brush);

    BitBlt(resultDC, 0, 0, width, height, maskDC, 0, 0, SRCAND);
    BitBlt(maskDC, 0, 0, width, height, maskDC, 0, 0, NOTSRCCOPY);
    BitBlt(copyDC, 0, 0, width, height, maskDC, 0, 0, SRCAND);
    BitBlt(resultDC, 0, 0, width, height, copyDC, 0, 0, SRCPAINT);

    SelectObject(sourceDC, oldSource);
    SelectObject(resultDC, oldResult);
    SelectObject(copyDC, oldCopy);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteObject(copy);
    DeleteObject(brush);
    DeleteDC(sourceDC);
    DeleteDC(copyDC);
    DeleteDC(maskDC);
    DeleteDC(resultDC);
    return result;
}

HBITMAP SetPictureBitmap(HWND control, HBITMAP image) {
    LONG style = GetWindowLongA(control, GWL_STYLE);
    style = (style & ~SS_TYPEMASK) | SS_BITMAP;
    SetWindowLongA(control, GWL_STYLE, style);
    return reinterpret_cast<HBITMAP>(
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image)));
}
