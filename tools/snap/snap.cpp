// Saves a picture of the launcher window as a PNG file, optionally after
// pointing at a client point so a button shows lit. Usage:
//   snap OUT.png [X Y]
#include <windows.h>

#include <stdlib.h>

#include "common/png.h"

static HWND WaitForLauncher()
{
    for (int i = 0; i < 400; i++) {
        HWND window = FindWindowW(L"KT.SetupLauncher", nullptr);
        if (window && IsWindowVisible(window))
            return window;
        Sleep(50);
    }
    return nullptr;
}

// The whole window with its frame, as the screen shows it.
static bool SaveWindowPicture(HWND window, const wchar_t *path)
{
    RECT rect;
    GetWindowRect(window, &rect);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy; // top-down, as the encoder takes it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, size.cx, size.cy, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        saved = SUCCEEDED(EncodePng(path, size, static_cast<const DWORD *>(bits)));
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2)
        return 2;
    HWND window = WaitForLauncher();
    if (!window)
        return 3;
    if (count >= 4) {
        POINT point = {_wtoi(arguments[2]), _wtoi(arguments[3])};
        ClientToScreen(window, &point);
        SetCursorPos(point.x - 1, point.y - 1);
        Sleep(100);
        SetCursorPos(point.x, point.y);
    }
    Sleep(1500);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    bool saved = SaveWindowPicture(window, arguments[1]);
    CoUninitialize();
    return saved ? 0 : 1;
}
