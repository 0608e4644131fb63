// BMP files as the launcher loads them: checked against their own size first.
#pragma once

#include <windows.h>

// Reads a whole BMP file and makes a bitmap compatible with `window`'s device
// context; null on any failure, a malformed file included.
HBITMAP LoadBitmapFile(const wchar_t *path, HWND window);

// The bitmap for a BMP file image of `size` bytes held in memory; null when
// the image is incomplete or the platform refuses it.
HBITMAP BitmapFromFileImage(const BYTE *data, DWORD size, HWND window);

