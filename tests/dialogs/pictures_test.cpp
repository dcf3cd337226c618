// The pictures that the conduit shows on the dialog face: read from the built
// library's resources as the platform loads them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

// The pixels of a bitmap resource, 0xRRGGBB, top-down; empty if there is none.
std::vector<uint32_t> Pixels(HMODULE module, int id, int& width, int& height) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof size, &size) == 0) return {};
    width = size.bmWidth;
    height = size.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

int Distance(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        sum += std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF));
    }
    return sum;
}

struct Picture {
    const char* name;
    int id;
};

const Picture kPictures[] = {
    {"StatusStrip", 100}, {"HandheldOverwritesDesktop", 102}, {"DoNothing", 103},
    {"ShowStatus", 104},  {"DeleteOnHandheld", 105},
};

class TransparentPicture : public testing::TestWithParam<Picture> {};

// The top-left colour becomes the dialog face; a lone pixel of almost that
// colour at the picture's edge stays and shows as a speck on the face.
TEST_P(TransparentPicture, HasNoSpeckCloseToTheKeyColour) {
    HMODULE library =
        LoadLibraryExA((BinFolder() + "\\Tessel20.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(library, nullptr);
    int w = 0, h = 0;
    const std::vector<uint32_t> pixels = Pixels(library, GetParam().id, w, h);
    ASSERT_FALSE(pixels.empty());
    auto colourAt = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; };
    const uint32_t key = colourAt(0, 0);
    std::string specks;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t colour = colourAt(x, y);
            if (colour == key || Distance(colour, key) > 64) continue;
            bool touchesFace = false, hasItsLike = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || x + dx < 0 || y + dy < 0 || x + dx >= w ||
                        y + dy >= h) {
                        continue;
                    }
                    uint32_t next = colourAt(x + dx, y + dy);
                    touchesFace = touchesFace || next == key;
                    hasItsLike = hasItsLike || next == colour;
                }
            }
            if (touchesFace && !hasItsLike) {
                char text[32];
                std::snprintf(text, sizeof text, " (%d,%d) #%06X", x, y, colour);
                specks += text;
            }
        }
    }
    EXPECT_EQ(specks, "") << "key colour #" << std::hex << key;
    FreeLibrary(library);
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, TransparentPicture, testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
