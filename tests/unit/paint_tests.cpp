// Painting checked to the pixel on a memory canvas: images and colour keys,
// label lines, shadows and colours, the background, the count of shown slots.
#include "config/command_table.h"
#include "test_support.h"
#include "window/paint.h"
#include "window/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const COLORREF UNTOUCHED = RGB(1, 2, 3);
const COLORREF MAGENTA = RGB(255, 0, 255);

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width(width)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits),
                                  nullptr, 0);
        previous = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(UNTOUCHED);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        // Exact colours need text without smoothing.
        font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           NONANTIALIASED_QUALITY, 0, L"Tahoma");
        previousFont = SelectObject(dc, font);
    }
    ~Canvas()
    {
        SelectObject(dc, previousFont);
        DeleteObject(font);
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        DWORD p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    HDC dc;

private:
    int width;
    DWORD *bits = nullptr;
    HBITMAP bitmap;
    HGDIOBJ previous;
    HFONT font;
    HGDIOBJ previousFont;
};

// A 24-bit DIB section, as the loader keeps 24-bit art, of the given pixels.
HBITMAP MakeTrueColorSection(int width, int height, const std::vector<COLORREF> &pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int stride = (width * 3 + 3) & ~3;
    for (int i = 0; bitmap && i < width * height; i++) {
        BYTE *pixel = static_cast<BYTE *>(bits) + i / width * stride + i % width * 3;
        COLORREF colour = pixels[i % pixels.size()];
        pixel[0] = GetBValue(colour);
        pixel[1] = GetGValue(colour);
        pixel[2] = GetRValue(colour);
    }
    return bitmap;
}

// A display-compatible bitmap, as the loader makes those of other formats, of the given pixels.
HBITMAP MakeBitmap(int width, int height, const std::vector<COLORREF> &pixels)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    for (int i = 0; i < width * height; i++)
        SetPixelV(memory, i % width, i / width, pixels[i % pixels.size()]);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

class Painting : public ::testing::Test {
protected:
    CleanLauncher clean;
    void SetUp() override { ResetCommandTable(); }
    void TearDown() override { ResetCommandTable(); }
};

TEST_F(Painting, ColourKeyHidesOnlyThatExactColourAndBlackMeansOpaque)
{
    const std::vector<COLORREF> row = {MAGENTA, RGB(0, 0, 0), RGB(255, 0, 0), RGB(254, 0, 255)};
    const struct {
        COLORREF key;
        std::vector<bool> drawn;
    } cases[] = {
        {MAGENTA, {false, true, true, true}},
        {0, {true, true, true, true}},
        {RGB(255, 0, 0), {true, true, false, true}},
    };
    for (HBITMAP image : {MakeBitmap(4, 1, row), MakeTrueColorSection(4, 1, row)}) {
        ASSERT_TRUE(image);
        for (const auto &c : cases) {
            Canvas canvas(4, 1);
            EXPECT_TRUE(DrawImage(canvas.dc, 0, 0, 4, 1, image, 0, 0, c.key));
            for (int x = 0; x < 4; x++)
                EXPECT_EQ(c.drawn[x] ? row[x] : UNTOUCHED, canvas.Pixel(x, 0))
                    << "key " << std::hex << c.key << " pixel " << x;
        }
        DeleteObject(image);
    }
}

TEST_F(Painting, HotImageIsAlwaysOpaqueAndAMissingOneDrawsNothing)
{
    CommandSlot &slot = CommandTable[0];
    slot.defined = 1;
    SetRect(&slot.buttonRect, 2, 1, 4, 2);
    slot.width = 2;
    slot.height = 1;
    slot.normalTransparent = MAGENTA;
    slot.normalImage = MakeBitmap(2, 1, {MAGENTA, RGB(0, 128, 0)});
    slot.hotImage = MakeBitmap(2, 1, {MAGENTA, RGB(0, 0, 200)});

    const struct {
        int hotIndex;
        bool hotImageKept;
        COLORREF left, right;
    } cases[] = {
        {-1, true, UNTOUCHED, RGB(0, 128, 0)},
        {0, true, MAGENTA, RGB(0, 0, 200)},
        {0, false, UNTOUCHED, UNTOUCHED},
    };
    for (const auto &c : cases) {
        if (!c.hotImageKept) {
            DeleteObject(slot.hotImage);
            slot.hotImage = nullptr;
        }
        launcher.hotIndex = c.hotIndex;
        Canvas canvas(6, 3);
        PaintLauncher(canvas.dc);
        EXPECT_EQ(c.left, canvas.Pixel(2, 1)) << "hot " << c.hotIndex;
        EXPECT_EQ(c.right, canvas.Pixel(3, 1)) << "hot " << c.hotIndex;
    }
}

TEST_F(Painting, BackgroundOriginAndOnlyItsOwnPixels)
{
    launcher.background = MakeBitmap(4, 3, {RGB(200, 0, 0)});
    const struct {
        int defaultBackground, width, height, origin;
    } cases[] = {{1, 24, 38, 8}, {0, 4, 3, 0}};
    for (const auto &c : cases) {
        launcher.defaultBackground = c.defaultBackground;
        launcher.backgroundWidth = c.width;
        launcher.backgroundHeight = c.height;
        Canvas canvas(40, 50);
        PaintLauncher(canvas.dc);
        int o = c.origin;
        EXPECT_EQ(RGB(200, 0, 0), canvas.Pixel(o, o));
        EXPECT_EQ(RGB(200, 0, 0), canvas.Pixel(o + 3, o + 2));
        EXPECT_EQ(UNTOUCHED, canvas.Pixel(o + 4, o + 2)) << "right of the bitmap";
        EXPECT_EQ(UNTOUCHED, canvas.Pixel(o + 3, o + 3)) << "below the bitmap";
        if (o) {
            EXPECT_EQ(UNTOUCHED, canvas.Pixel(o - 1, o - 1));
        }
    }
    DeleteObject(launcher.background);
}

// Where plain TextOutW of `text` at (x, y) sets pixels, in the canvas's font.
std::vector<bool> GlyphMask(int width, int height, int x, int y, const std::wstring &text)
{
    Canvas canvas(width, height);
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    TextOutW(canvas.dc, x, y, text.c_str(), static_cast<int>(text.size()));
    std::vector<bool> mask(width * height);
    for (int i = 0; i < width * height; i++)
        mask[i] = canvas.Pixel(i % width, i / width) != UNTOUCHED;
    return mask;
}

TEST_F(Painting, LabelSplitsAtItsFirstMarkerOnly)
{
    const int W = 120, H = 60, LINE = 20;
    launcher.labelLineHeight = LINE;
    const struct {
        const wchar_t *label;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"Install\\nNow", {L"Install", L"Now"}},
        {L"A\\nB\\nC", {L"A", L"B\\nC"}},
        {L"\\nTail", {L"", L"Tail"}},
        {L"Head\\n", {L"Head", L""}},
        {L"One line", {L"One line"}},
    };
    for (const auto &c : cases) {
        Canvas canvas(W, H);
        SetBkMode(canvas.dc, TRANSPARENT);
        SetTextColor(canvas.dc, RGB(255, 255, 255));
        DrawLabel(canvas.dc, 5, 4, c.label, lstrlenW(c.label));
        std::vector<bool> expected(W * H);
        for (size_t line = 0; line < c.lines.size(); line++) {
            int y = 4 + LINE * static_cast<int>(line);
            std::vector<bool> mask = GlyphMask(W, H, 5, y, c.lines[line]);
            for (int i = 0; i < W * H; i++)
                expected[i] = expected[i] || mask[i];
        }
        EXPECT_NE(expected.end(), std::find(expected.begin(), expected.end(), true));
        int wrong = 0;
        for (int i = 0; i < W * H; i++)
            wrong += expected[i] != (canvas.Pixel(i % W, i / W) != UNTOUCHED);
        EXPECT_EQ(0, wrong) << c.label;
    }
}

TEST_F(Painting, LabelOverImageOverShadowInTheSlotsColours)
{
    const int W = 80, H = 30;
    launcher.bkgColor = RGB(0, 0, 96);
    launcher.loColor = RGB(255, 255, 255);
    launcher.hiColor = RGB(255, 255, 0);
    CommandSlot &slot = CommandTable[0];
    slot.defined = 1;
    lstrcpyW(slot.label, L"Go Wq");
    SetRect(&slot.labelRect, 10, 8, 10, 8);
    // The image covers the right half of the label area.
    SetRect(&slot.buttonRect, 40, 0, W, H);
    slot.width = W - 40;
    slot.height = H;
    slot.normalImage = MakeBitmap(W - 40, H, {RGB(0, 160, 0)});
    slot.hotImage = MakeBitmap(W - 40, H, {RGB(0, 160, 0)});

    std::vector<bool> glyph = GlyphMask(W, H, 10, 8, slot.label);
    std::vector<bool> shadow = GlyphMask(W, H, 11, 9, slot.label);
    for (int hot : {-1, 0}) {
        launcher.hotIndex = hot;
        COLORREF text = hot == 0 ? launcher.hiColor : launcher.loColor;
        Canvas canvas(W, H);
        PaintLauncher(canvas.dc);
        int wrong = 0;
        for (int i = 0; i < W * H; i++) {
            int x = i % W, y = i / W;
            COLORREF expected = UNTOUCHED;
            if (glyph[i])
                expected = text;
            else if (x >= 40)
                expected = RGB(0, 160, 0);
            else if (shadow[i])
                expected = launcher.bkgColor;
            wrong += canvas.Pixel(x, y) != expected;
        }
        EXPECT_EQ(0, wrong) << "hot " << hot;
    }
}

TEST_F(Painting, LabelColourIsChosenBeforeTheImageIsDrawn)
{
    // A two-colour image takes the text colour that is set when it is drawn:
    // the slot's label colour, never the shadow's.
    launcher.bkgColor = RGB(0, 0, 96);
    launcher.loColor = RGB(255, 255, 255);
    launcher.hiColor = RGB(255, 255, 0);
    CommandSlot &slot = CommandTable[0];
    slot.defined = 1;
    SetRect(&slot.buttonRect, 0, 0, 1, 1);
    slot.width = 1;
    slot.height = 1;
    const BYTE clearBit[2] = {};
    slot.normalImage = CreateBitmap(1, 1, 1, 1, clearBit);
    slot.hotImage = CreateBitmap(1, 1, 1, 1, clearBit);
    for (int hot : {-1, 0}) {
        launcher.hotIndex = hot;
        Canvas canvas(2, 2);
        PaintLauncher(canvas.dc);
        EXPECT_EQ(hot == 0 ? launcher.hiColor : launcher.loColor, canvas.Pixel(0, 0)) << hot;
    }
}

TEST_F(Painting, HighContrastUsesTheSystemColoursAndFramesTheHotSlot)
{
    const int W = 90, H = 50;
    launcher.highContrast = 1;
    launcher.background = MakeBitmap(W, H, {RGB(200, 0, 0)});
    launcher.backgroundWidth = W;
    launcher.backgroundHeight = H;
    launcher.bkgColor = RGB(0, 0, 96);
    launcher.loColor = RGB(250, 250, 0);
    launcher.hiColor = RGB(0, 250, 250);
    launcher.hotIndex = 0;
    const COLORREF GREEN = RGB(0, 160, 0);
    const wchar_t *labels[] = {L"Go", L"Wq"};
    for (int i : {0, 1}) {
        CommandSlot &slot = CommandTable[i];
        slot.defined = 1;
        lstrcpyW(slot.label, labels[i]);
        SetRect(&slot.buttonRect, 60, 6 + 24 * i, 70, 16 + 24 * i);
        slot.width = slot.height = 10;
        slot.normalImage = MakeBitmap(10, 10, {GREEN});
        slot.hotImage = MakeBitmap(10, 10, {GREEN});
    }
    Canvas canvas(W, H);
    for (int i : {0, 1}) {
        SIZE extent;
        GetTextExtentPoint32W(canvas.dc, labels[i], 2, &extent);
        SetRect(&CommandTable[i].labelRect, 10, 6 + 24 * i, 10 + extent.cx, 6 + 24 * i + extent.cy);
    }
    std::vector<bool> hotGlyph = GlyphMask(W, H, 10, 6, labels[0]);
    std::vector<bool> glyph = GlyphMask(W, H, 10, 30, labels[1]);
    RECT focus;
    GetFocusBounds(0, &focus);
    PaintLauncher(canvas.dc);

    int wrong = 0, framed = 0;
    for (int i = 0; i < W * H; i++) {
        POINT p = {i % W, i / W};
        COLORREF expected = GetSysColor(COLOR_WINDOW);
        RECT highlight = CommandTable[0].labelRect;
        InflateRect(&highlight, 1, 1);
        if (PtInRect(&highlight, p))
            expected = GetSysColor(hotGlyph[i] ? COLOR_HIGHLIGHTTEXT : COLOR_HIGHLIGHT);
        else if (glyph[i])
            expected = GetSysColor(COLOR_WINDOWTEXT);
        else if (PtInRect(&CommandTable[0].buttonRect, p) ||
                 PtInRect(&CommandTable[1].buttonRect, p))
            expected = GREEN;
        COLORREF pixel = canvas.Pixel(p.x, p.y);
        bool onFrame = (p.x == focus.left || p.x == focus.right - 1 || p.y == focus.top ||
                        p.y == focus.bottom - 1) &&
                       PtInRect(&focus, p);
        if (onFrame && pixel != expected)
            framed++;
        else
            wrong += pixel != expected;
    }
    EXPECT_EQ(0, wrong) << "no bitmap, no shadow, the author's colours nowhere";
    EXPECT_GT(framed, 2 * (focus.right - focus.left) / 3) << "the focus rectangle is drawn";
    DeleteObject(launcher.background);
}

TEST_F(Painting, EveryPaintCountsTheDefinedSlotsWhateverTheGaps)
{
    for (int i : {0, 1, 4})
        CommandTable[i].defined = 1;
    lstrcpyW(CommandTable[2].label, L"Undefined");
    SetRect(&CommandTable[2].labelRect, 0, 0, 0, 0);
    launcher.loColor = RGB(255, 255, 255);
    Canvas canvas(100, 30);
    launcher.visibleCount = 17;
    PaintLauncher(canvas.dc);
    EXPECT_EQ(3, launcher.visibleCount);
    int drawn = 0;
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 100; x++)
            drawn += canvas.Pixel(x, y) != UNTOUCHED;
    EXPECT_EQ(0, drawn) << "a slot that is not defined is not painted";
}

} // namespace
