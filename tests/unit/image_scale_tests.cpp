// Pictures for a display scale: which variant beside a bitmap is drawn at a
// DPI, its size there, and colour keys that survive resampling.
#include "config/image_scale.h"
#include "test_support.h"
#include "window/paint.h"
#include "window/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

const COLORREF MAGENTA = RGB(255, 0, 255);

SIZE ScaleSize(SIZE at192, int dpi)
{
    return SIZE{MulDiv(at192.cx, dpi, 192), MulDiv(at192.cy, dpi, 192)};
}

TEST(ImageScale, VariantNamesAndChoice)
{
    wchar_t variant[MAX_PATH];
    const struct {
        const wchar_t *path;
        int index;
        const wchar_t *expected;
    } names[] = {
        {L"autorun\\install.bmp", 3, L"autorun\\install@2x.bmp"},
        {L"art.v2\\button", 0, L"art.v2\\button@1.25x"},
        {L"a.b.bmp", 5, L"a.b@3x.bmp"},
    };
    for (const auto &n : names) {
        ASSERT_TRUE(MakeVariantPath(n.path, n.index, variant));
        EXPECT_STREQ(n.expected, variant);
    }
    EXPECT_FALSE(MakeVariantPath(std::wstring(MAX_PATH - 3, L'x').c_str(), 3, variant));

    const int V150 = 1 << 1, V200 = 1 << 3, V300 = 1 << 5;
    const struct {
        int found, dpi, chosen;
    } choices[] = {
        {V150 | V200, 96, -1}, {V150 | V200, 120, 1}, {V150 | V200, 144, 1}, {V150 | V200, 168, 3},
        {V150 | V200, 288, 3}, {0, 192, -1},          {V300, 110, 5},        {V150, 100, 1},
    };
    for (const auto &c : choices)
        EXPECT_EQ(c.chosen, ChooseScaleVariant(c.found, c.dpi)) << c.found << " at " << c.dpi;
    EXPECT_EQ(2, ScaleToDpi(1, 144));
    EXPECT_EQ(-3, ScaleToDpi(-2, 144));
    EXPECT_EQ(0x7fffffff, ScaleToDpi(0x7fffffff, 192));
}

// The sample's 640 x 480 window, whose frame adds 12 x 57 pixels at 200 %;
// a 1920 x 1080 display at 200 % leaves 984 rows above its taskbar.
TEST(ImageScale, WindowTakesTheLargestScaleThatFitsAndStaysOnTheWorkArea)
{
    const SIZE at200 = {1280, 960}, frame = {12, 57};
    const struct {
        int dpi;
        SIZE work;
        int fitted;
    } fits[] = {
        {192, {3840, 2100}, 192}, {192, {1292, 1017}, 192}, {192, {1920, 984}, 168},
        {192, {1280, 1024}, 168}, {192, {900, 700}, 120},   {192, {100, 100}, 96},
        {144, {1920, 984}, 144},  {96, {100, 100}, 96},
    };
    for (const auto &f : fits)
        EXPECT_EQ(f.fitted, FitDpi(f.dpi, ScaleSize(at200, f.dpi), frame, f.work))
            << f.work.cx << " x " << f.work.cy << " at " << f.dpi;

    const struct {
        SIZE size;
        RECT work;
        POINT place;
    } places[] = {
        {{646, 509}, {0, 0, 1920, 1040}, {637, 265}},
        {{646, 509}, {100, 40, 1380, 1064}, {417, 297}},
        {{1292, 1017}, {0, 0, 1280, 1024}, {0, 3}},
        {{1292, 1100}, {0, 30, 1280, 1024}, {0, 30}},
    };
    for (const auto &p : places) {
        POINT place = CenterInWorkArea(p.size, p.work);
        EXPECT_EQ(p.place.x, place.x) << p.size.cx << " x " << p.size.cy;
        EXPECT_EQ(p.place.y, place.y) << p.size.cx << " x " << p.size.cy;
    }
}

// The pixels of `bitmap`, 32-bit top-down.
std::vector<DWORD> PixelsOf(HBITMAP bitmap, SIZE *size)
{
    BITMAP info = {};
    GetObjectW(bitmap, sizeof info, &info);
    *size = {info.bmWidth, info.bmHeight};
    BITMAPINFO header = {};
    header.bmiHeader = {
        sizeof header.bmiHeader, info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST(ImageScale, TheVariantForTheDpiIsDrawnOthersAreResampled)
{
    TempDir disc;
    // Each file a colour of its own: the plain one red, @1.5x green, @2x blue.
    WriteBitmapFile(disc.File(L"b.bmp"), 20, 10, [](int, int) { return RGB(200, 0, 0); });
    WriteBitmapFile(disc.File(L"b@1.5X.BMP"), 30, 15, [](int, int) { return RGB(0, 200, 0); });
    WriteBitmapFile(disc.File(L"b@2x.bmp"), 40, 20, [](int, int) { return RGB(0, 0, 200); });
    WriteBitmapFile(disc.File(L"lone@2x.bmp"), 40, 20, [](int, int) { return RGB(0, 0, 200); });
    CreateDirectoryW(disc.File(L"c@2x.bmp").c_str(), nullptr);
    WriteBitmapFile(disc.File(L"c.bmp"), 20, 10, [](int, int) { return RGB(200, 0, 0); });
    const struct {
        const wchar_t *name;
        int dpi;
        int cx, cy;
        DWORD colour; // as the pixels hold it: 0xAARRGGBB
    } cases[] = {
        {L"b.bmp", 96, 20, 10, 0xC80000},    {L"b.bmp", 144, 30, 15, 0xC800},
        {L"b.bmp", 120, 25, 13, 0xFF00C800}, {L"b.bmp", 192, 40, 20, 0xC8},
        {L"b.bmp", 288, 60, 30, 0xFF0000C8}, {L"c.bmp", 192, 40, 20, 0xFFC80000},
        {L"lone.bmp", 192, 0, 0, 0},
    };
    const int count = sizeof cases / sizeof cases[0];
    // Alone, then as a load reads them, with one look at the folder kept.
    for (int round = 0; round < 2 * count; round++) {
        const auto &c = cases[round % count];
        if (round == count)
            StartFolderLooks();
        SCOPED_TRACE(testing::Message()
                     << c.dpi << " " << c.name << (round < count ? "" : " kept"));
        int blended = -1;
        HBITMAP bitmap = LoadBitmapForDpi(disc.File(c.name).c_str(), nullptr, c.dpi, 0, &blended);
        EXPECT_EQ(0, blended);
        if (!c.cx) {
            EXPECT_FALSE(bitmap) << "a variant without its plain file";
            continue;
        }
        ASSERT_TRUE(bitmap);
        SIZE size;
        std::vector<DWORD> pixels = PixelsOf(bitmap, &size);
        EXPECT_EQ(c.cx, size.cx);
        EXPECT_EQ(c.cy, size.cy);
        // Drawn pixel for pixel a file keeps its own bits; resampled it is opaque.
        EXPECT_EQ(c.colour, pixels[pixels.size() / 2] & (c.colour >> 24 ? 0xFFFFFFFF : 0xFFFFFF));
        DeleteObject(bitmap);
    }
    EndFolderLooks();
    // A variant put beside the picture after one load is found by the next.
    WriteBitmapFile(disc.File(L"b@1.25x.bmp"), 25, 13, [](int, int) { return RGB(0, 0, 200); });
    StartFolderLooks();
    EXPECT_EQ(0xB, FindScaleVariants(disc.File(L"b.bmp").c_str()));
    EndFolderLooks();
}

// Every way of resampling gives the area average of the premultiplied
// pixels, a keyed pixel counting as transparent black, within 1 % a channel:
// whole factors up and down, and any other size, larger or smaller; from art
// as the launcher keeps it (24 bits, rows bottom-up) and from other formats.
TEST(ImageScale, ResampledPixelsAreTheAreaAverage)
{
    const struct {
        int sw, sh, cx, cy, bits;
        bool topDown;
    } sizes[] = {
        {10, 6, 20, 12, 24, false},  {7, 5, 21, 15, 32, true},    {24, 12, 12, 6, 24, false},
        {30, 18, 10, 6, 32, true},   {20, 10, 25, 13, 24, false}, {40, 20, 25, 13, 24, true},
        {33, 17, 40, 30, 32, false}, {9, 9, 4, 7, 16, false},
    };
    for (const auto &z : sizes) {
        SCOPED_TRACE(testing::Message() << z.sw << " x " << z.sh << " to " << z.cx << " x " << z.cy
                                        << ", " << z.bits << " bits");
        std::vector<DWORD> pixels(static_cast<size_t>(z.sw) * z.sh);
        unsigned seed = 12345;
        for (DWORD &pixel : pixels) {
            seed = seed * 1103515245 + 12345;
            pixel = seed % 7 ? (seed >> 8) & 0xffffff : 0xff00ff;
        }
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, z.sw, z.topDown ? -z.sh : z.sh, 1,
                          static_cast<WORD>(z.bits), BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_TRUE(bitmap);
        BITMAPINFO given = {};
        given.bmiHeader = {sizeof given.bmiHeader, z.sw, -z.sh, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        SetDIBits(screen, bitmap, 0, z.sh, pixels.data(), &given, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        SIZE sourceSize;
        const std::vector<DWORD> source = PixelsOf(bitmap, &sourceSize);
        int blended = 0;
        HBITMAP scaled = ResampleBitmap(bitmap, z.cx, z.cy, MAGENTA, &blended);
        ASSERT_TRUE(scaled);
        EXPECT_EQ(1, blended);
        SIZE size;
        std::vector<DWORD> scaledPixels = PixelsOf(scaled, &size);
        ASSERT_EQ(z.cx, size.cx);
        int worst = 0;
        for (int y = 0; y < z.cy; y++) {
            for (int x = 0; x < z.cx; x++) {
                double sum[4] = {};
                for (int j = 0; j < z.sh; j++) {
                    double down = std::min((j + 1.0) / z.sh, (y + 1.0) / z.cy) -
                                  std::max(double(j) / z.sh, double(y) / z.cy);
                    for (int i = 0; down > 0 && i < z.sw; i++) {
                        double across = std::min((i + 1.0) / z.sw, (x + 1.0) / z.cx) -
                                        std::max(double(i) / z.sw, double(x) / z.cx);
                        DWORD p = source[j * z.sw + i] & 0xffffff;
                        p = p == 0xff00ff ? 0 : p | 0xff000000;
                        for (int c = 0; across > 0 && c < 4; c++)
                            sum[c] += across * down * z.cx * z.cy * ((p >> (8 * c)) & 0xff);
                    }
                }
                for (int c = 0; c < 4; c++) {
                    int got = (scaledPixels[y * z.cx + x] >> (8 * c)) & 0xff;
                    worst = std::max(worst, int(std::abs(got - sum[c]) + 0.5));
                }
            }
        }
        EXPECT_LE(worst, 2) << "a channel is off by " << worst;
        DeleteObject(scaled);
        DeleteObject(bitmap);
    }
}

TEST(ImageScale, ColourKeyBecomesTransparencyWithoutAFringe)
{
    TempDir disc;
    // Keyed stripes a pixel wide, so every resampled pixel mixes key and colour.
    WriteBitmapFile(disc.File(L"k.bmp"), 16, 8,
                    [](int x, int) { return x % 2 ? MAGENTA : RGB(0, 160, 0); });
    for (int dpi : {120, 144, 192}) {
        SCOPED_TRACE(dpi);
        int blended = 0;
        HBITMAP bitmap =
            LoadBitmapForDpi(disc.File(L"k.bmp").c_str(), nullptr, dpi, MAGENTA, &blended);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(1, blended);
        // Drawn over white: green and white mixed, never a trace of magenta.
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, 64, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        DWORD *bits = nullptr;
        HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS,
                                          reinterpret_cast<void **>(&bits), nullptr, 0);
        HGDIOBJ previous = SelectObject(dc, canvas);
        PatBlt(dc, 0, 0, 64, 32, WHITENESS);
        EXPECT_TRUE(DrawBlendedImage(dc, 0, 0, 64, 32, bitmap));
        GdiFlush();
        SIZE size;
        PixelsOf(bitmap, &size);
        int green = 0;
        for (int y = 0; y < size.cy; y++) {
            for (int x = 0; x < size.cx; x++) {
                DWORD p = bits[y * 64 + x];
                int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                ASSERT_TRUE(r == b && g >= r) << x << "," << y << " " << std::hex << p;
                green += g > r;
            }
        }
        EXPECT_GT(green, size.cx * size.cy / 3);
        SelectObject(dc, previous);
        DeleteObject(canvas);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

} // namespace
