#include "bitmap_file.h"

#include "../state/launcher_state.h"

#include <stddef.h>

// Limits that keep every size below computable in 64 bits and reject files no
// display could show anyway. A run-length file of a few hundred bytes may
// declare any size up to the sides' limit, so the size it decodes to, in the
// display's 32 bits a pixel, is bounded too.
enum : long long { MAX_BITMAP_SIDE = 1 << 20, MAX_DECODED_BYTES = 256ll << 20 };

enum : DWORD {
    // The info headers of the later formats, which have no structure of their
    // own in the headers: with the colour masks, and with the alpha mask too.
    INFO_HEADER_V2_SIZE = 52,
    INFO_HEADER_V3_SIZE = 56,
    // Bit fields with an alpha mask, a compression the headers do not name.
    BI_ALPHA_BIT_FIELDS = 6,
    DISPLAY_BYTES_PER_PIXEL = 4,
    TRUE_COLOR_BITS = 24,
    CORE_ENTRY_BYTES = sizeof(RGBTRIPLE),
    INFO_ENTRY_BYTES = sizeof(RGBQUAD),
};

static DWORD ReadLe32(const BYTE *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

static WORD ReadLe16(const BYTE *p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

static bool FitsInside(unsigned long long offset, unsigned long long length, DWORD size)
{
    return offset <= size && length <= size - offset;
}

static int IsBitmapImageComplete(const BYTE *data, DWORD size)
{
    const DWORD fileHeaderSize = sizeof(BITMAPFILEHEADER);
    if (!data || size < fileHeaderSize + sizeof(DWORD))
        return 0;
    DWORD bitsOffset = ReadLe32(data + offsetof(BITMAPFILEHEADER, bfOffBits));
    DWORD headerSize = ReadLe32(data + fileHeaderSize);
    if (!FitsInside(fileHeaderSize, headerSize, size))
        return 0;
    const BYTE *header = data + fileHeaderSize;

    long long width, height;
    unsigned bitCount, compression = BI_RGB, colorsUsed = 0, entrySize;
    DWORD imageSize = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        width = ReadLe16(header + offsetof(BITMAPCOREHEADER, bcWidth));
        height = ReadLe16(header + offsetof(BITMAPCOREHEADER, bcHeight));
        bitCount = ReadLe16(header + offsetof(BITMAPCOREHEADER, bcBitCount));
        entrySize = CORE_ENTRY_BYTES;
    } else if (headerSize == sizeof(BITMAPINFOHEADER) || headerSize == INFO_HEADER_V2_SIZE ||
               headerSize == INFO_HEADER_V3_SIZE || headerSize == sizeof(BITMAPV4HEADER) ||
               headerSize == sizeof(BITMAPV5HEADER)) {
        width = static_cast<LONG>(ReadLe32(header + offsetof(BITMAPINFOHEADER, biWidth)));
        height = static_cast<LONG>(ReadLe32(header + offsetof(BITMAPINFOHEADER, biHeight)));
        bitCount = ReadLe16(header + offsetof(BITMAPINFOHEADER, biBitCount));
        compression = ReadLe32(header + offsetof(BITMAPINFOHEADER, biCompression));
        imageSize = ReadLe32(header + offsetof(BITMAPINFOHEADER, biSizeImage));
        colorsUsed = ReadLe32(header + offsetof(BITMAPINFOHEADER, biClrUsed));
        entrySize = INFO_ENTRY_BYTES;
    } else {
        return 0;
    }
    if (height < 0)
        height = -height;
    if (width <= 0 || height == 0 || width > MAX_BITMAP_SIDE || height > MAX_BITMAP_SIDE ||
        width * height * DISPLAY_BYTES_PER_PIXEL > MAX_DECODED_BYTES)
        return 0;

    // Colour table (and the three masks a plain info header keeps behind it).
    unsigned long long entries = colorsUsed;
    if (bitCount <= 8 && entries == 0)
        entries = 1ull << bitCount;
    unsigned long long tableBytes = entries * entrySize;
    if (headerSize == sizeof(BITMAPINFOHEADER) &&
        (compression == BI_BITFIELDS || compression == BI_ALPHA_BIT_FIELDS))
        tableBytes += (compression == BI_ALPHA_BIT_FIELDS ? 4 : 3) * sizeof(DWORD);
    if (!FitsInside(fileHeaderSize + headerSize, tableBytes, size))
        return 0;

    unsigned long long bitsBytes;
    switch (compression) {
    case BI_RGB:
    case BI_BITFIELDS:
    case BI_ALPHA_BIT_FIELDS:
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
            bitCount != 32)
            return 0;
        // Each row is padded to whole 32-bit words.
        bitsBytes = ((static_cast<unsigned long long>(width) * bitCount + 31) / 32) *
                    sizeof(DWORD) * static_cast<unsigned long long>(height);
        break;
    case BI_RLE8:
    case BI_RLE4:
        // Run-length data has no size implied by the header: it must state one.
        if (imageSize == 0)
            return 0;
        bitsBytes = imageSize;
        break;
    default:
        return 0;
    }
    return FitsInside(bitsOffset, bitsBytes, size) ? 1 : 0;
}

// A 24-bit picture without compression, the usual art, keeps its own format:
// copying its rows costs far less than converting every pixel to the
// display's format at load, and a blit converts only the part it draws. Null
// for any other format, or when the section cannot be made.
static HBITMAP MakeTrueColorSection(HDC dc, const BYTE *data)
{
    BITMAPINFO info = {};
    memcpy(&info.bmiHeader, data + sizeof(BITMAPFILEHEADER), sizeof(DWORD));
    if (info.bmiHeader.biSize != sizeof(BITMAPINFOHEADER))
        return nullptr;
    memcpy(&info.bmiHeader, data + sizeof(BITMAPFILEHEADER), sizeof(BITMAPINFOHEADER));
    if (info.bmiHeader.biCompression != BI_RGB || info.bmiHeader.biBitCount != TRUE_COLOR_BITS)
        return nullptr;
    // A table of colours that a true-colour file may carry is not needed, and
    // `info` has no room for one.
    info.bmiHeader.biClrUsed = info.bmiHeader.biClrImportant = 0;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return nullptr;
    // The file holds these rows: the whole image was checked against its size.
    size_t rowBytes = (static_cast<size_t>(info.bmiHeader.biWidth) * TRUE_COLOR_BITS + 31) / 32 * sizeof(DWORD);
    size_t rows = static_cast<size_t>(
        info.bmiHeader.biHeight < 0 ? -static_cast<long long>(info.bmiHeader.biHeight)
                                    : info.bmiHeader.biHeight);
    memcpy(bits, data + ReadLe32(data + offsetof(BITMAPFILEHEADER, bfOffBits)), rowBytes * rows);
    return section;
}

HBITMAP BitmapFromFileImage(const BYTE *data, DWORD size, HWND window)
{
    if (!IsBitmapImageComplete(data, size))
        return nullptr;
    const BITMAPINFO *info = reinterpret_cast<const BITMAPINFO *>(data + sizeof(BITMAPFILEHEADER));
    HDC dc = GetDC(window);
    HBITMAP bitmap = MakeTrueColorSection(dc, data);
    if (!bitmap)
        bitmap = CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT,
                                data + ReadLe32(data + offsetof(BITMAPFILEHEADER, bfOffBits)), info,
                                DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    return bitmap;
}

HBITMAP LoadBitmapFile(const wchar_t *path, HWND window)
{
    // An author's tool reads files that an editor may be saving at the same time.
    DWORD share = launcher.sharedReads ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD size = GetFileSize(file, nullptr);
    HGLOBAL block = size && size != INVALID_FILE_SIZE ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    BYTE *data = block ? static_cast<BYTE *>(GlobalLock(block)) : nullptr;
    if (!data) {
        if (block)
            GlobalFree(block);
        CloseHandle(file);
        return nullptr;
    }

    HBITMAP bitmap = nullptr;
    DWORD read = 0;
    if (ReadFile(file, data, size, &read, nullptr) && read == size)
        bitmap = BitmapFromFileImage(data, size, window);
    CloseHandle(file);
    GlobalUnlock(block);
    GlobalFree(block);
    return bitmap;
}
