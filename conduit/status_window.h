// The status strip: a small modeless window under the HotSync manager's
// window with the conduit's picture and one line of text.
#pragma once

#include <windows.h>

constexpr int kStatusDialogId = 2000;
constexpr int kStatusTextId = 2001;
constexpr int kStatusIconId = 2002;
constexpr int kStatusBitmapId = 100;

constexpr int kStatusHeight = 56;    // strip height in pixels
constexpr int kStatusPictureX = 20;  // picture position and size
constexpr int kStatusPictureSize = 48;
constexpr int kStatusTextX = 76;      // text line left edge
constexpr int kStatusTextMargin = 8;  // gap between text line and right edge

// Creates the strip under the calling thread's active window and gives the
// focus back to that window. Null when there is no active window or the
// strip cannot be created.
HWND CreateSyncStatusWindow();
// Sets the strip's text line; does nothing for a null window.
void SetSyncStatusText(HWND window, const char* text);
// Destroys the strip; does nothing for a null window.
void DestroySyncStatusWindow(HWND window);
