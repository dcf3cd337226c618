// The pictures that the conduit shows on the dialog face: read from the built
// library's resources as the platform loads them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "conduit_host.h"

namespace {

// A 256-colour bitmap resource; colours as 0xRRGGBB.
class ResourceBitmap {
  public:
    ResourceBitmap(HMODULE module, int id) {
        HRSRC found =
            FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
        HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        info_ = loaded != nullptr ? static_cast<const BITMAPINFO*>(LockResource(loaded)) : nullptr;
        if (info_ != nullptr && info_->bmiHeader.biBitCount != 8) info_ = nullptr;
    }
    bool Loaded() const { return info_ != nullptr; }
    int Width() const { return info_->bmiHeader.biWidth; }
    int Height() const { return std::abs(info_->bmiHeader.biHeight); }
    uint32_t Colour(int x, int y) const {
        const BITMAPINFOHEADER& h = info_->bmiHeader;
        int colours = h.biClrUsed != 0 ? static_cast<int>(h.biClrUsed) : 256;
        const uint8_t* bits = reinterpret_cast<const uint8_t*>(info_->bmiColors + colours);
        int row = h.biHeight > 0 ? Height() - 1 - y : y;
        const RGBQUAD& c = info_->bmiColors[bits[row * ((Width() + 3) & ~3) + x]];
        return static_cast<uint32_t>(c.rgbRed) << 16 | c.rgbGreen << 8 | c.rgbBlue;
    }

  private:
    const BITMAPINFO* info_ = nullptr;
};

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
    HMODULE library = LoadLibraryExA((BinFolder() + "\\Tessel20.dll").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(library, nullptr);
    ResourceBitmap picture(library, GetParam().id);
    ASSERT_TRUE(picture.Loaded());
    const int w = picture.Width(), h = picture.Height();
    const uint32_t key = picture.Colour(0, 0);
    std::string specks;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t colour = picture.Colour(x, y);
            if (colour == key || Distance(colour, key) > 64) continue;
            bool touchesFace = false, hasItsLike = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || x + dx < 0 || y + dy < 0 || x + dx >= w ||
                        y + dy >= h) {
                        continue;
                    }
                    uint32_t next = picture.Colour(x + dx, y + dy);
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
