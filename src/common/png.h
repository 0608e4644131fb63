// PNG files written with the Windows Imaging Component, for the checker's
// previews and the demo's screenshot.
#pragma once

#include <windows.h>

// Writes size.cx x size.cy top-down 32-bit pixels (blue, green, red, unused)
// to `path` as a PNG file. Needs COM on the calling thread.
HRESULT EncodePng(const wchar_t *path, SIZE size, const DWORD *pixels);
