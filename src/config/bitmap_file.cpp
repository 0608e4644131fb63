#include "bitmap_file.h"

#include "../startup/launcher_state.h"

// Limits that keep every size below computable in 64 bits and reject files no
// display could show anyway. A run-length file of a few hundred bytes may
// declare any size up to the sides' limit, so the size it decodes to, in the
// display's 32 bits a pixel, is bounded too.
enum : long long { MAX_BITMAP_SIDE = 1 << 20, MAX_DECODED_BYTES = 256ll << 20 };

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
    const DWORD fileHeaderSize = 14;
    if (!data || size < fileHeaderSize + 4)
        return 0;
    DWORD bitsOffset = ReadLe32(data + 10);
    DWORD headerSize = ReadLe32(data + fileHeaderSize);
    if (!FitsInside(fileHeaderSize, headerSize, size))
        return 0;
    const BYTE *header = data + fileHeaderSize;

    long long width, height;
    unsigned bitCount, compression = BI_RGB, colorsUsed = 0, entrySize;
    DWORD imageSize = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        width = ReadLe16(header + 4);
        height = ReadLe16(header + 6);
        bitCount = ReadLe16(header + 10);
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        width = static_cast<LONG>(ReadLe32(header + 4));
        height = static_cast<LONG>(ReadLe32(header + 8));
        bitCount = ReadLe16(header + 14);
        compression = ReadLe32(header + 16);
        imageSize = ReadLe32(header + 20);
        colorsUsed = ReadLe32(header + 32);
        entrySize = 4;
    } else {
        return 0;
    }
    if (height < 0)
        height = -height;
    if (width <= 0 || height == 0 || width > MAX_BITMAP_SIDE || height > MAX_BITMAP_SIDE ||
        width * height * 4 > MAX_DECODED_BYTES)
        return 0;

    // Colour table (and the three masks a plain info header keeps behind it).
    unsigned long long entries = colorsUsed;
    if (bitCount <= 8 && entries == 0)
        entries = 1ull << bitCount;
    unsigned long long tableBytes = entries * entrySize;
    if (headerSize == 40 && (compression == BI_BITFIELDS || compression == 6))
        tableBytes += (compression == 6 ? 4 : 3) * 4;
    if (!FitsInside(fileHeaderSize + headerSize, tableBytes, size))
        return 0;

    unsigned long long bitsBytes;
    switch (compression) {
    case BI_RGB:
    case BI_BITFIELDS:
    case 6: // alpha bit fields
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
            bitCount != 32)
            return 0;
        bitsBytes = ((static_cast<unsigned long long>(width) * bitCount + 31) / 32) * 4 *
                    static_cast<unsigned long long>(height);
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

HBITMAP BitmapFromFileImage(const BYTE *data, DWORD size, HWND window)
{
    if (!IsBitmapImageComplete(data, size))
        return nullptr;
    const BITMAPINFO *info = reinterpret_cast<const BITMAPINFO *>(data + 14);
    HDC dc = GetDC(window);
    HBITMAP bitmap = CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, data + ReadLe32(data + 10),
                                    info, DIB_RGB_COLORS);
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
