// BMP files as the launcher loads them: checked against their own size first.
#pragma once

#include <windows.h>

// Reads a whole BMP file and makes a bitmap for `window`'s device context: a
// 24-bit uncompressed picture as a DIB section of its own format, any other
// as a compatible bitmap. Null on any failure, a malformed file included.
HBITMAP LoadBitmapFile(const wchar_t *path, HWND window);

// The bitmap for a BMP file image of `size` bytes held in memory; null when
// the image is incomplete or the platform refuses it.
HBITMAP BitmapFromFileImage(const BYTE *data, DWORD size, HWND window);

