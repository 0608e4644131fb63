#include "image_scale.h"

#include "bitmap_file.h"

#include "../platform/platform.h"

const ScaleVariant SCALE_VARIANTS[SCALE_VARIANT_COUNT] = {
    {120, L"@1.25x"}, {144, L"@1.5x"}, {168, L"@1.75x"},
    {192, L"@2x"},    {240, L"@2.5x"}, {288, L"@3x"},
};

int ScaleBetween(int value, int to, int from)
{
    if (to <= 0 || from <= 0 || to == from)
        return value;
    long long product = static_cast<long long>(value) * to;
    long long half = from / 2;
    long long result = product >= 0 ? (product + half) / from : -((-product + half) / from);
    if (result > 0x7fffffff)
        return 0x7fffffff;
    if (result < -0x7fffffff - 1)
        return -0x7fffffff - 1;
    return static_cast<int>(result);
}

static int Fits(int dpi, int at, SIZE scaled, SIZE fixed, SIZE work)
{
    return ScaleBetween(scaled.cx, at, dpi) + fixed.cx <= work.cx &&
           ScaleBetween(scaled.cy, at, dpi) + fixed.cy <= work.cy;
}

int FitDpi(int dpi, SIZE scaled, SIZE fixed, SIZE work)
{
    if (dpi <= BASE_DPI || Fits(dpi, dpi, scaled, fixed, work))
        return dpi;
    for (int i = SCALE_VARIANT_COUNT - 1; i >= 0; i--) {
        int step = SCALE_VARIANTS[i].dpi;
        if (step < dpi && Fits(dpi, step, scaled, fixed, work))
            return step;
    }
    return BASE_DPI;
}

POINT CenterInWorkArea(SIZE size, RECT work)
{
    POINT place = {work.left + (work.right - work.left - size.cx) / 2,
                   work.top + (work.bottom - work.top - size.cy) / 2};
    if (place.x < work.left)
        place.x = work.left;
    if (place.y < work.top)
        place.y = work.top;
    return place;
}

int ReadSystemDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

int ReadWindowDpi(HWND window)
{
    int dpi = static_cast<int>(os.GetDpiForWindow(window));
    return dpi > 0 ? dpi : ReadSystemDpi();
}

// Where the extension of `path`'s file name begins: its last dot, or the end.
static int FindExtension(const wchar_t *path)
{
    int length = lstrlenW(path);
    for (int i = length - 1; i >= 0 && path[i] != L'\\' && path[i] != L'/'; i--) {
        if (path[i] == L'.')
            return i;
    }
    return length;
}

// path[0 .. at) + insert + path[at ..] into MAX_PATH characters.
static int InsertText(const wchar_t *path, int at, const wchar_t *insert, wchar_t *result)
{
    int insertLength = lstrlenW(insert);
    int tailLength = lstrlenW(path + at);
    if (at + insertLength + tailLength >= MAX_PATH)
        return 0;
    CopyMemory(result, path, at * sizeof(wchar_t));
    CopyMemory(result + at, insert, insertLength * sizeof(wchar_t));
    CopyMemory(result + at + insertLength, path + at, (tailLength + 1) * sizeof(wchar_t));
    return 1;
}

int MakeVariantPath(const wchar_t *path, int index, wchar_t *variant)
{
    if (index < 0 || index >= SCALE_VARIANT_COUNT)
        return 0;
    return InsertText(path, FindExtension(path), SCALE_VARIANTS[index].suffix, variant);
}

static const wchar_t *FileNamePart(const wchar_t *path)
{
    const wchar_t *name = path;
    for (const wchar_t *p = path; *p; p++) {
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    }
    return name;
}

int FindScaleVariants(const wchar_t *path)
{
    wchar_t pattern[MAX_PATH];
    if (!InsertText(path, FindExtension(path), L"@*x", pattern))
        return 0;
    WIN32_FIND_DATAW entry;
    HANDLE search =
        FindFirstFileExW(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int found = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // The pattern matches more than the variants' names; each is compared whole.
        for (int i = 0; i < SCALE_VARIANT_COUNT; i++) {
            wchar_t variant[MAX_PATH];
            if (MakeVariantPath(path, i, variant) &&
                CompareStringOrdinal(FileNamePart(variant), -1, entry.cFileName, -1, TRUE) ==
                    CSTR_EQUAL)
                found |= 1 << i;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

int ChooseScaleVariant(int found, int dpi)
{
    int chosen = -1, chosenDpi = BASE_DPI;
    int largest = -1, largestDpi = BASE_DPI;
    if (dpi <= BASE_DPI)
        return -1;
    for (int i = 0; i < SCALE_VARIANT_COUNT; i++) {
        if (!(found & (1 << i)))
            continue;
        int variantDpi = SCALE_VARIANTS[i].dpi;
        if (variantDpi >= dpi && (chosen == -1 || variantDpi < chosenDpi)) {
            chosen = i;
            chosenDpi = variantDpi;
        }
        if (variantDpi > largestDpi) {
            largest = i;
            largestDpi = variantDpi;
        }
    }
    return chosen != -1 ? chosen : largest;
}

HBITMAP LoadBitmapForDpi(const wchar_t *path, HWND window, int dpi, COLORREF colorKey, int *blended)
{
    *blended = 0;
    if (dpi <= 0 || dpi == BASE_DPI)
        return LoadBitmapFile(path, window);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    int chosen = ChooseScaleVariant(FindScaleVariants(path), dpi);
    wchar_t variant[MAX_PATH];
    HBITMAP bitmap = nullptr;
    int from = BASE_DPI;
    if (chosen != -1 && MakeVariantPath(path, chosen, variant)) {
        bitmap = LoadBitmapFile(variant, window);
        from = SCALE_VARIANTS[chosen].dpi;
    }
    // A variant that cannot be read leaves the plain picture, resampled.
    if (!bitmap) {
        bitmap = LoadBitmapFile(path, window);
        from = BASE_DPI;
    }
    return ScaleBitmapBetween(bitmap, dpi, from, colorKey, blended);
}

HBITMAP ScaleBitmapBetween(HBITMAP bitmap, int to, int from, COLORREF colorKey, int *blended)
{
    *blended = 0;
    BITMAP size = {};
    if (!bitmap || to == from || !GetObjectW(bitmap, sizeof size, &size))
        return bitmap;
    HBITMAP scaled = ResampleBitmap(bitmap, ScaleBetween(size.bmWidth, to, from),
                                    ScaleBetween(size.bmHeight, to, from), colorKey, blended);
    if (!scaled)
        return bitmap;
    DeleteObject(bitmap);
    return scaled;
}

// Pictures this large are not resampled: the buffers would not fit.
enum : long long { MAX_RESAMPLED_PIXELS = 1 << 26 };

struct PixelBuffer {
    void *memory = nullptr;
    explicit PixelBuffer(long long bytes)
    {
        if (bytes > 0 && bytes < 0x7fffffff)
            memory = HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(bytes));
    }
    ~PixelBuffer()
    {
        if (memory)
            HeapFree(GetProcessHeap(), 0, memory);
    }
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;
};

static BITMAPINFO TopDownInfo(int cx, int cy)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Source pixel i of `from` covers [i * to, (i + 1) * to) and destination
// pixel d covers [d * from, (d + 1) * from): their overlap is i's weight in d,
// and d's weights add up to `from`. Integers throughout, so every program
// that resamples a picture gets the same pixels.
static long long Overlap(long long i, long long d, long long from, long long to)
{
    long long low = i * to > d * from ? i * to : d * from;
    long long high = (i + 1) * to < (d + 1) * from ? (i + 1) * to : (d + 1) * from;
    return high > low ? high - low : 0;
}

HBITMAP ResampleBitmap(HBITMAP bitmap, int cx, int cy, COLORREF colorKey, int *blended)
{
    *blended = 0;
    BITMAP size = {};
    if (!GetObjectW(bitmap, sizeof size, &size) || cx <= 0 || cy <= 0)
        return nullptr;
    const int sw = size.bmWidth, sh = size.bmHeight;
    if (static_cast<long long>(sw) * sh > MAX_RESAMPLED_PIXELS ||
        static_cast<long long>(cx) * sh > MAX_RESAMPLED_PIXELS ||
        static_cast<long long>(cx) * cy > MAX_RESAMPLED_PIXELS)
        return nullptr;

    PixelBuffer source(4ll * sw * sh), across(16ll * cx * sh);
    if (!source.memory || !across.memory)
        return nullptr;
    DWORD *pixels = static_cast<DWORD *>(source.memory);
    BITMAPINFO sourceInfo = TopDownInfo(sw, sh);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, sh, pixels, &sourceInfo, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != sh)
        return nullptr;

    // Premultiplied alpha: a keyed pixel adds nothing, not even its colour.
    const DWORD key =
        colorKey ? (GetRValue(colorKey) << 16 | GetGValue(colorKey) << 8 | GetBValue(colorKey))
                 : 0xffffffff;
    for (long long p = 0; p < static_cast<long long>(sw) * sh; p++)
        pixels[p] = (pixels[p] & 0xffffff) == key ? 0 : (pixels[p] | 0xff000000);

    // Across: each row of sw pixels to cx sums, weights adding up to sw.
    unsigned *sums = static_cast<unsigned *>(across.memory);
    for (int y = 0; y < sh; y++) {
        for (int d = 0; d < cx; d++) {
            unsigned channel[4] = {};
            long long first = static_cast<long long>(d) * sw / cx;
            long long last = ((static_cast<long long>(d) + 1) * sw - 1) / cx;
            for (long long i = first; i <= last && i < sw; i++) {
                unsigned weight = static_cast<unsigned>(Overlap(i, d, sw, cx));
                DWORD pixel = pixels[static_cast<long long>(y) * sw + i];
                for (int c = 0; c < 4; c++)
                    channel[c] += weight * ((pixel >> (8 * c)) & 0xff);
            }
            for (int c = 0; c < 4; c++)
                sums[(static_cast<long long>(y) * cx + d) * 4 + c] = channel[c];
        }
    }

    BITMAPINFO info = TopDownInfo(cx, cy);
    void *bits = nullptr;
    HBITMAP result = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!result || !bits) {
        if (result)
            DeleteObject(result);
        return nullptr;
    }
    // Down: sh rows to cy, weights adding up to sh; each sum is over sw * sh.
    DWORD *out = static_cast<DWORD *>(bits);
    const unsigned long long whole = static_cast<unsigned long long>(sw) * sh;
    int transparent = 0;
    for (int d = 0; d < cy; d++) {
        long long first = static_cast<long long>(d) * sh / cy;
        long long last = ((static_cast<long long>(d) + 1) * sh - 1) / cy;
        for (int x = 0; x < cx; x++) {
            unsigned long long channel[4] = {};
            for (long long j = first; j <= last && j < sh; j++) {
                unsigned long long weight = static_cast<unsigned long long>(Overlap(j, d, sh, cy));
                const unsigned *row = sums + (j * cx + x) * 4;
                for (int c = 0; c < 4; c++)
                    channel[c] += weight * row[c];
            }
            DWORD pixel = 0;
            for (int c = 0; c < 4; c++)
                pixel |= static_cast<DWORD>((channel[c] + whole / 2) / whole) << (8 * c);
            out[static_cast<long long>(d) * cx + x] = pixel;
            transparent |= (pixel >> 24) != 0xff;
        }
    }
    GdiFlush();
    *blended = transparent;
    return result;
}
