#include "image_scale.h"

#include "bitmap_file.h"

#include "../platform/platform.h"
#include "../state/bounded_text.h"

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

// The names of one folder's variant files, from one look at it, kept while a
// load reads many pictures there (between StartFolderLooks and
// EndFolderLooks): each name ends in 0, and an empty one ends the list.
static struct {
    int active;
    wchar_t folder[MAX_PATH]; // the folder's part of a path, as the pictures name it
    wchar_t *names;           // from the process heap; null: no folder looked at yet
} folderLook;

void StartFolderLooks()
{
    EndFolderLooks();
    folderLook.active = 1;
}

void EndFolderLooks()
{
    if (folderLook.names)
        HeapFree(GetProcessHeap(), 0, folderLook.names);
    folderLook = {};
}

// Bit i set where the file name `name` is variant i of `path`.
static int MatchVariants(const wchar_t *path, const wchar_t *name)
{
    int found = 0;
    for (int i = 0; i < SCALE_VARIANT_COUNT; i++) {
        wchar_t variant[MAX_PATH];
        if (MakeVariantPath(path, i, variant) &&
            CompareStringOrdinal(FileNamePart(variant), -1, name, -1, TRUE) == CSTR_EQUAL)
            found |= 1 << i;
    }
    return found;
}

// Lists the files of `folder` whose names hold the variants' mark (every
// suffix starts with it) into folderLook; 0 when the list cannot be kept.
static int LookAtFolder(const wchar_t *folder)
{
    EndFolderLooks();
    folderLook.active = 1;
    wchar_t pattern[MAX_PATH];
    if (!JoinText(pattern, MAX_PATH, folder, L"*@*"))
        return 0;
    SIZE_T used = 0, capacity = 256;
    wchar_t *names = static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, capacity * 2));
    WIN32_FIND_DATAW entry;
    HANDLE search =
        FindFirstFileExW(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    for (int more = search != INVALID_HANDLE_VALUE; names && more;
         more = FindNextFileW(search, &entry)) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        SIZE_T length = lstrlenW(entry.cFileName) + 1;
        if (used + length + 1 > capacity) {
            capacity = (used + length + 1) * 2;
            auto *grown =
                static_cast<wchar_t *>(HeapReAlloc(GetProcessHeap(), 0, names, capacity * 2));
            if (!grown)
                HeapFree(GetProcessHeap(), 0, names);
            names = grown;
        }
        CopyMemory(names + used, entry.cFileName, length * 2);
        used += length;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    if (!names)
        return 0;
    names[used] = 0;
    folderLook.names = names;
    lstrcpyW(folderLook.folder, folder);
    return 1;
}

// The variants of `path` that the kept look at its folder saw, looking at the
// folder first where the look kept is another's; -1 when no look can be kept.
static int FindInKeptLook(const wchar_t *path)
{
    wchar_t folder[MAX_PATH];
    int folderLength = static_cast<int>(FileNamePart(path) - path);
    if (folderLength >= MAX_PATH)
        return -1;
    lstrcpynW(folder, path, folderLength + 1);
    bool known = folderLook.names && lstrcmpiW(folder, folderLook.folder) == 0;
    if (!known && !LookAtFolder(folder))
        return -1;
    int found = 0;
    for (const wchar_t *name = folderLook.names; *name; name += lstrlenW(name) + 1)
        found |= MatchVariants(path, name);
    return found;
}

int FindScaleVariants(const wchar_t *path, int *plainFound)
{
    if (plainFound)
        *plainFound = 0;
    int kept = folderLook.active ? FindInKeptLook(path) : -1;
    if (kept >= 0) {
        // The look saw only the variants; the plain file matters beside them.
        if (plainFound && kept) {
            DWORD attributes = GetFileAttributesW(path);
            *plainFound =
                attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
        return kept;
    }
    // One look at the folder finds the plain file and its variants alike.
    wchar_t pattern[MAX_PATH];
    if (!InsertText(path, FindExtension(path), L"*", pattern))
        return 0;
    WIN32_FIND_DATAW entry;
    HANDLE search =
        FindFirstFileExW(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    const wchar_t *plainName = FileNamePart(path);
    int found = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // The pattern matches more than these names; each is compared whole.
        if (plainFound &&
            CompareStringOrdinal(plainName, -1, entry.cFileName, -1, TRUE) == CSTR_EQUAL)
            *plainFound = 1;
        found |= MatchVariants(path, entry.cFileName);
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
    // Variants count only beside a plain file that is there, which the look
    // at the folder tells unless the name is a short alias of it.
    int plain;
    int found = FindScaleVariants(path, &plain);
    if (found && !plain && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    int chosen = ChooseScaleVariant(found, dpi);
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
    PixelBuffer() = default;
    explicit PixelBuffer(long long bytes) { Allocate(bytes); }
    void Allocate(long long bytes)
    {
        if (!memory && bytes > 0 && bytes < 0x7fffffff)
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

// Fixed-point weights: each destination pixel's weights along an axis add up
// to exactly 2^ACROSS_BITS across and 2^DOWN_BITS down. A sum across, 255
// times 2^7 at most, fits in 16 bits, so two channels of a pixel are weighed
// in one 32-bit multiplication; down, 16-bit sums times 14-bit weights stay
// within 31 bits.
enum : unsigned { ACROSS_BITS = 7, DOWN_BITS = 14 };

// Along one axis, `from` source pixels to `to` destination pixels: source
// pixel i covers [i * to, (i + 1) * to) and destination pixel d covers
// [d * from, (d + 1) * from), and their overlap, out of `from`, is i's share
// of d. Destination d takes count[d] sources from first[d] on, with the
// weights from weight[start[d]] on.
struct AxisTaps {
    int *first;
    int *count;
    int *start;
    unsigned *weight;
};

// The taps of `to` destinations from `from` sources in `memory`, which holds
// TapsBytes(from, to) bytes. Integers throughout, so every program that
// resamples a picture gets the same pixels.
static long long TapsBytes(int from, int to)
{
    return 3ll * to * sizeof(int) + (static_cast<long long>(from) + 2ll * to) * sizeof(unsigned);
}

static AxisTaps MakeTaps(int from, int to, unsigned one, void *memory)
{
    AxisTaps taps;
    taps.first = static_cast<int *>(memory);
    taps.count = taps.first + to;
    taps.start = taps.count + to;
    taps.weight = reinterpret_cast<unsigned *>(taps.start + to);
    int next = 0;
    for (int d = 0; d < to; d++) {
        long long low = static_cast<long long>(d) * from, high = low + from;
        int first = static_cast<int>(low / to);
        int last = static_cast<int>((high - 1) / to);
        taps.first[d] = first;
        taps.count[d] = last - first + 1;
        // Scaled up, a destination takes two sources at most: always two,
        // the second weighing nothing where it lies in one.
        if (to >= from)
            next = 2 * d;
        taps.start[d] = next;
        taps.weight[next + 1] = 0;
        unsigned sum = 0, largest = 0;
        int largestAt = next;
        for (int i = first; i <= last; i++) {
            long long begin = static_cast<long long>(i) * to, end = begin + to;
            long long overlap = (end < high ? end : high) - (begin > low ? begin : low);
            unsigned weight = static_cast<unsigned>((overlap * one + from / 2) / from);
            taps.weight[next] = weight;
            sum += weight;
            if (weight > largest) {
                largest = weight;
                largestAt = next;
            }
            next++;
        }
        // Rounding leaves the sum a little off `one`; the largest share takes the rest.
        taps.weight[largestAt] += one - sum;
    }
    return taps;
}

// The picture being resampled, row by row as 32-bit premultiplied pixels,
// a keyed pixel transparent black: read straight from the bits of a 24- or
// 32-bit DIB section, the launcher's own art, or else from the one 32-bit
// copy of the picture that GetDIBits makes.
struct SourceRows {
    int width;
    int height;
    const BYTE *bits;
    long long stride; // from one row to the next below it, in bytes
    int bytesPerPixel;
    DWORD key;
    int keyed; // a keyed pixel was read
    DWORD *row;
};

// Whether the rows of a 24- or 32-bit DIB section lie top row first in its
// memory, which the platform's description of it does not say. The first
// pair of rows mirrored about the middle that differ tells, by the pixel that
// the platform reads at its place; rows that all mirror each other read the
// same either way.
static bool LiesTopDown(HBITMAP bitmap, const BITMAP &size)
{
    const BYTE *bits = static_cast<const BYTE *>(size.bmBits);
    const long long stride = size.bmWidthBytes;
    const int bytes = size.bmBitsPixel / 8;
    for (int y = 0; y < size.bmHeight / 2; y++) {
        const BYTE *top = bits + stride * y, *bottom = bits + stride * (size.bmHeight - 1 - y);
        for (int x = 0; x < size.bmWidth; x++) {
            const BYTE *a = top + x * bytes, *b = bottom + x * bytes;
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2])
                continue;
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ previous = SelectObject(dc, bitmap);
            COLORREF seen = GetPixel(dc, x, y);
            SelectObject(dc, previous);
            DeleteDC(dc);
            return seen == RGB(a[2], a[1], a[0]);
        }
    }
    return true;
}

static int OpenSourceRows(HBITMAP bitmap, COLORREF colorKey, SourceRows *source, PixelBuffer *copy,
                          PixelBuffer *row)
{
    DIBSECTION section = {};
    BITMAP &size = section.dsBm;
    int isSection = GetObjectW(bitmap, sizeof section, &section) == sizeof section;
    if (!isSection && !GetObjectW(bitmap, sizeof size, &size))
        return 0;
    source->width = size.bmWidth;
    source->height = size.bmHeight;
    source->key = colorKey
                      ? (GetRValue(colorKey) << 16 | GetGValue(colorKey) << 8 | GetBValue(colorKey))
                      : 0xffffffff;
    source->keyed = 0;
    // A pixel more, which stays transparent black: the second of two taps
    // may lie past the last pixel, with no weight.
    row->Allocate(4ll * (size.bmWidth + 1));
    source->row = static_cast<DWORD *>(row->memory);
    if (!source->row)
        return 0;
    source->row[size.bmWidth] = 0;
    if (isSection && size.bmBits && section.dsBmih.biCompression == BI_RGB &&
        (size.bmBitsPixel == 24 || size.bmBitsPixel == 32)) {
        GdiFlush();
        source->bytesPerPixel = size.bmBitsPixel / 8;
        const long long stride = size.bmWidthBytes;
        const BYTE *first = static_cast<const BYTE *>(size.bmBits);
        // A bottom-up section holds its top row last.
        bool bottomUp = !LiesTopDown(bitmap, size);
        source->bits = bottomUp ? first + stride * (size.bmHeight - 1) : first;
        source->stride = bottomUp ? -stride : stride;
        return 1;
    }
    copy->Allocate(4ll * size.bmWidth * size.bmHeight);
    if (!copy->memory)
        return 0;
    BITMAPINFO info = TopDownInfo(size.bmWidth, size.bmHeight);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, size.bmHeight, copy->memory, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    source->bits = static_cast<const BYTE *>(copy->memory);
    source->stride = 4ll * size.bmWidth;
    source->bytesPerPixel = 4;
    return lines == size.bmHeight;
}

// Row `y` of the source into `source->row`.
static const DWORD *ReadSourceRow(SourceRows *source, int y)
{
    const BYTE *bytes = source->bits + source->stride * y;
    DWORD *row = source->row;
    const DWORD key = source->key;
    int keyed = 0;
    for (int x = 0; x < source->width; x++, bytes += source->bytesPerPixel) {
        DWORD pixel = bytes[0] | bytes[1] << 8 | static_cast<DWORD>(bytes[2]) << 16;
        int isKey = pixel == key;
        keyed |= isKey;
        row[x] = isKey ? 0 : pixel | 0xff000000;
    }
    source->keyed |= keyed;
    return row;
}

// A row of the source resampled across: four channels each, 2^ACROSS_BITS
// times their value, into `sums`. Blue and red, and green and alpha, are
// weighed together, each in a 16-bit half of a 32-bit number.
static void ResampleRow(const DWORD *row, const AxisTaps &across, int sw, int cx, WORD *sums)
{
    const DWORD EVERY_OTHER = 0x00ff00ff;
    for (int d = 0; cx >= sw && d < cx; d++) {
        const DWORD *pixel = row + across.first[d];
        const unsigned *weight = across.weight + 2 * d;
        DWORD p = pixel[0], q = pixel[1];
        DWORD blueRed = (p & EVERY_OTHER) * weight[0] + (q & EVERY_OTHER) * weight[1];
        DWORD greenAlpha = (p >> 8 & EVERY_OTHER) * weight[0] + (q >> 8 & EVERY_OTHER) * weight[1];
        WORD *out = sums + 4 * d;
        out[0] = static_cast<WORD>(blueRed);
        out[1] = static_cast<WORD>(greenAlpha);
        out[2] = static_cast<WORD>(blueRed >> 16);
        out[3] = static_cast<WORD>(greenAlpha >> 16);
    }
    for (int d = 0; cx < sw && d < cx; d++) {
        const DWORD *pixel = row + across.first[d];
        const unsigned *weight = across.weight + across.start[d];
        DWORD blueRed = 0, greenAlpha = 0;
        for (int k = 0; k < across.count[d]; k++) {
            blueRed += (pixel[k] & EVERY_OTHER) * weight[k];
            greenAlpha += (pixel[k] >> 8 & EVERY_OTHER) * weight[k];
        }
        WORD *out = sums + 4 * d;
        out[0] = static_cast<WORD>(blueRed);
        out[1] = static_cast<WORD>(greenAlpha);
        out[2] = static_cast<WORD>(blueRed >> 16);
        out[3] = static_cast<WORD>(greenAlpha >> 16);
    }
}

// Each destination pixel the one source pixel it lies in: a whole factor up.
static void ReplicatePixels(SourceRows *source, int factor, DWORD *out)
{
    const int sw = source->width, cx = sw * factor;
    for (int y = 0; y < source->height; y++) {
        const DWORD *row = ReadSourceRow(source, y);
        DWORD *line = out + static_cast<long long>(y) * factor * cx;
        for (int x = 0; x < sw; x++) {
            for (int k = 0; k < factor; k++)
                line[x * factor + k] = row[x];
        }
        for (int k = 1; k < factor; k++)
            CopyMemory(line + k * cx, line, cx * sizeof(DWORD));
    }
}

// Each destination pixel the average of the square of source pixels it
// covers: a whole factor down.
static int AverageSquares(SourceRows *source, int factor, int cx, int cy, DWORD *out)
{
    PixelBuffer sumMemory(16ll * cx);
    if (!sumMemory.memory)
        return 0;
    unsigned *sums = static_cast<unsigned *>(sumMemory.memory);
    const unsigned area = static_cast<unsigned>(factor * factor);
    for (int y = 0; y < cy; y++) {
        ZeroMemory(sums, 16ll * cx);
        for (int j = 0; j < factor; j++) {
            const DWORD *row = ReadSourceRow(source, y * factor + j);
            for (int x = 0; x < cx * factor; x++) {
                unsigned *sum = sums + 4 * (x / factor);
                for (int c = 0; c < 4; c++)
                    sum[c] += (row[x] >> (8 * c)) & 0xff;
            }
        }
        DWORD *line = out + static_cast<long long>(y) * cx;
        for (int x = 0; x < cx; x++) {
            DWORD pixel = 0;
            for (int c = 0; c < 4; c++)
                pixel |= static_cast<DWORD>((sums[4 * x + c] + area / 2) / area) << (8 * c);
            line[x] = pixel;
        }
    }
    return 1;
}

// The area average in two passes: each source row across into a row of sums
// as the destination rows need it (kept while the next destination row needs
// it too), then down into the destination.
static int AverageAreas(SourceRows *source, int cx, int cy, DWORD *out)
{
    const int sw = source->width, sh = source->height;
    PixelBuffer tapMemory(TapsBytes(sw, cx) + TapsBytes(sh, cy));
    PixelBuffer rowMemory(2 * 8ll * cx + 16ll * cx);
    if (!tapMemory.memory || !rowMemory.memory)
        return 0;
    AxisTaps across = MakeTaps(sw, cx, 1u << ACROSS_BITS, tapMemory.memory);
    AxisTaps down = MakeTaps(sh, cy, 1u << DOWN_BITS,
                             static_cast<BYTE *>(tapMemory.memory) + TapsBytes(sw, cx));
    WORD *rows[2] = {static_cast<WORD *>(rowMemory.memory),
                     static_cast<WORD *>(rowMemory.memory) + 4ll * cx};
    int rowOf[2] = {-1, -1};
    // One destination row's sums, its four channels times 2^(ACROSS_BITS +
    // DOWN_BITS).
    int *total = reinterpret_cast<int *>(rows[1] + 4ll * cx);
    for (int d = 0; d < cy; d++) {
        for (int k = 0; k < down.count[d]; k++) {
            int y = down.first[d] + k;
            int slot = rowOf[0] == y ? 0 : rowOf[1] == y ? 1 : -1;
            if (slot < 0) {
                // The older of the two rows gives way.
                slot = rowOf[0] < rowOf[1] ? 0 : 1;
                ResampleRow(ReadSourceRow(source, y), across, sw, cx, rows[slot]);
                rowOf[slot] = y;
            }
            const short weight = static_cast<short>(down.weight[down.start[d] + k]);
            const short *sums = reinterpret_cast<const short *>(rows[slot]);
            if (k == 0) {
                for (int i = 0; i < 4 * cx; i++)
                    total[i] = weight * sums[i];
            } else {
                for (int i = 0; i < 4 * cx; i++)
                    total[i] += weight * sums[i];
            }
        }
        DWORD *line = out + static_cast<long long>(d) * cx;
        const int shift = ACROSS_BITS + DOWN_BITS;
        const int half = 1 << (shift - 1);
        for (int x = 0; x < cx; x++) {
            const int *t = total + 4 * x;
            line[x] = static_cast<DWORD>((t[0] + half) >> shift) |
                      static_cast<DWORD>((t[1] + half) >> shift) << 8 |
                      static_cast<DWORD>((t[2] + half) >> shift) << 16 |
                      static_cast<DWORD>((t[3] + half) >> shift) << 24;
        }
    }
    return 1;
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
    PixelBuffer copy, row;
    SourceRows source;
    if (!OpenSourceRows(bitmap, colorKey, &source, &copy, &row))
        return nullptr;

    // Straight into the bits of the result, with no copy of it.
    BITMAPINFO info = TopDownInfo(cx, cy);
    void *bits = nullptr;
    HBITMAP result = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!result || !bits) {
        if (result)
            DeleteObject(result);
        return nullptr;
    }
    DWORD *out = static_cast<DWORD *>(bits);
    int done = 1;
    if (cx % sw == 0 && cy % sh == 0 && cx / sw == cy / sh)
        ReplicatePixels(&source, cx / sw, out);
    else if (sw % cx == 0 && sh % cy == 0 && sw / cx == sh / cy)
        done = AverageSquares(&source, sw / cx, cx, cy, out);
    else
        done = AverageAreas(&source, cx, cy, out);
    if (!done) {
        DeleteObject(result);
        return nullptr;
    }
    GdiFlush();
    // Only a key can leave a pixel less than opaque.
    int transparent = 0;
    for (long long p = 0; source.keyed && !transparent && p < static_cast<long long>(cx) * cy; p++)
        transparent = (out[p] >> 24) != 0xff;
    *blended = transparent;
    return result;
}
