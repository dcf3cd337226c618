// Pictures that blend into a dialog's face colour.
#pragma once

#include <windows.h>

// Returns a new bitmap of the source's size and format in which every pixel
// of the colour of the source's top-left pixel is replaced by background.
// The source stays the caller's and is not changed. Null on failure.
HBITMAP MakeTransparentBitmap(HBITMAP source, COLORREF background);

// Turns a static picture control into a bitmap control (keeping its other
// style bits) and gives it image; returns the image the control held before.
HBITMAP SetPictureBitmap(HWND control, HBITMAP image);
