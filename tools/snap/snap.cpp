// Saves a picture of the launcher window as a 24-bit BMP, optionally after
// pointing at a client point so a button shows lit. Usage:
//   snap OUT.bmp [X Y]
#include <windows.h>

#include <stdlib.h>

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

static bool SaveBmp(const wchar_t *path, HDC source, int x, int y, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return false;
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    DWORD stride = (width * 3 + 3) & ~3u;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = out != INVALID_HANDLE_VALUE &&
              WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
              WriteFile(out, bits, stride * height, &written, nullptr);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return ok;
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
    // The whole window with its frame, as the screen shows it.
    RECT rect;
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    bool saved = SaveBmp(arguments[1], screen, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    return saved ? 0 : 1;
}
