// The status strip under a window made by the test, and transparent bitmaps
// checked pixel by pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "bitmaps.h"
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
    EXPECT_EQ(height, STATUS_TEXT_HEIGHT);
    EXPECT_EQ(t.left, 76);
    EXPECT_EQ(t.top, (48 - height) / 2);
#if STATUS_TEXT_HEIGHT == 13
    EXPECT_EQ(t.top, 17);
#endif
    EXPECT_EQ(t.right - t.left, 416);
    EXPECT_EQ(Text(text), Msg(msgSyncInitializing));

    SetSyncStatusText(strip, "Verbleibende Datens\344tze #3");
    EXPECT_EQ(Text(text), "Verbleibende Datens\344tze #3");
    DestroySyncStatusWindow(strip);
    EXPECT_FALSE(IsWindow(strip));
    DestroyWindow(owner);
}

TEST(StatusWindowTest, NoActiveWindowNoStrip) {
    HWND strip = reinterpret_cast<HWND>(1);
    HWND active = reinterpret_cast<HWND>(1);
    // A fresh thread has no active window.
    std::thread([&] {
        strip = CreateSyncStatusWindow();
        active = GetActiveWindow();
    }).join();
    EXPECT_EQ(strip, nullptr);
    EXPECT_EQ(active, nullptr);
    SetSyncStatusText(nullptr, "ignored");
    DestroySyncStatusWindow(nullptr);
}

// --- MakeTransparentBitmap -------------------------------------------------

struct Dib {
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;  // 0x00RRGGBB, top-down
};

Dib MakeDib(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Dib dib;
    void* bits = nullptr;
    dib.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dib.pixels = static_cast<uint32_t*>(bits);
    return dib;
}

uint32_t Pixel(COLORREF c) {
    return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

std::vector<COLORREF> ReadPixels(HBITMAP bitmap, int width, int height) {
    std::vector<COLORREF> pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixels;
}

// The top-left pixel's colour, whatever it is, becomes the background; every
// other colour stays, even one step away from it; the source stays as it was.
TEST(TransparentBitmapTest, TopLeftColourBecomesTheBackground) {
    const int w = 8, h = 6;
    const COLORREF key = RGB(10, 20, 30), face = RGB(212, 208, 200);
    const COLORREF colours[] = {key,          RGB(192, 192, 192), RGB(11, 20, 30),
                                RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 128, 255)};
    Dib dib = MakeDib(w, h);
    ASSERT_NE(dib.bitmap, nullptr);
    for (int i = 0; i < w * h; ++i) dib.pixels[i] = Pixel(colours[i % 6 == 0 ? 0 : i % 5]);
    GdiFlush();
    const std::vector<COLORREF> before = ReadPixels(dib.bitmap, w, h);
    HBITMAP result = MakeTransparentBitmap(dib.bitmap, face);
    ASSERT_NE(result, nullptr);
    const std::vector<COLORREF> after = ReadPixels(result, w, h);
    for (int i = 0; i < w * h; ++i) {
        EXPECT_EQ(after[i], before[i] == key ? face : before[i]) << "pixel " << i;
    }
    EXPECT_EQ(ReadPixels(dib.bitmap, w, h), before);
    DeleteObject(result);
    DeleteObject(dib.bitmap);
    EXPECT_EQ(MakeTransparentBitmap(nullptr, 0), nullptr);
}

}  // namespace
