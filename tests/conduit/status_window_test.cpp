// The status strip under a window made by the test: where it hangs, its
// picture on the button face, its texts.
#include <gtest/gtest.h>
#include <windows.h>

#include "entry.h"
#include "messages.h"
#include "status_window.h"

HINSTANCE moduleHandle = GetModuleHandleA(nullptr);  // the resources are the test's own

namespace {

RECT ClientRect(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Text(HWND control) {
    char text[256];
    GetWindowTextA(control, text, sizeof text);
    return text;
}

TEST(StatusWindowTest, StripHangsUnderTheActiveWindow) {
    // The HotSync manager's window, its bottom edge at 300.
    HWND owner = CreateWindowExA(0, "STATIC", "HotSync", WS_POPUP | WS_VISIBLE, 40, 200, 500, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);

    HWND strip = CreateSyncStatusWindow();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_TRUE(IsWindowVisible(strip));
    EXPECT_EQ(GetWindow(strip, GW_OWNER), owner);

    RECT r;
    GetWindowRect(strip, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.right, 540);
    EXPECT_EQ(r.top, 300);
    EXPECT_EQ(r.bottom, 356);

    HWND picture = GetDlgItem(strip, kStatusIconId);
    RECT p = ClientRect(strip, picture);
    EXPECT_EQ(p.left, 20);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.right - p.left, 48);
    EXPECT_EQ(p.bottom - p.top, 48);
    EXPECT_EQ(GetWindowLongA(picture, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
    // The picture shows on the button face: its key colour became the face.
    HBITMAP shown = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, shown);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(GetPixel(dc, 24, 24), GetSysColor(COLOR_BTNFACE));
    SelectObject(dc, old);
    DeleteDC(dc);

    HWND text = GetDlgItem(strip, kStatusTextId);
    RECT t = ClientRect(strip, text);
    const int height = t.bottom - t.top;
    EXPECT_EQ(height, 12);
    EXPECT_EQ(t.left, 76);
    EXPECT_EQ(t.top, (48 - height) / 2);
    EXPECT_EQ(t.right - t.left, 416);
    EXPECT_EQ(Text(text), Msg(msgSyncInitializing));

    SetSyncStatusText(strip, "Verbleibende Datens\344tze #3");
    EXPECT_EQ(Text(text), "Verbleibende Datens\344tze #3");
    DestroySyncStatusWindow(strip);
    EXPECT_FALSE(IsWindow(strip));
    DestroyWindow(owner);
}

}  // namespace
