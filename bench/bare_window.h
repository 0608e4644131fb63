// The window both start-up baselines show: a fixed-size window filled with one
// colour, shown at once, with a plain message loop.
#pragma once

#include <windows.h>

const COLORREF BARE_WINDOW_FILL = RGB(12, 34, 56);

inline LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(BARE_WINDOW_FILL);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Registers `className` with `icon` and shows its window, about the launcher's size.
inline HWND ShowBareWindow(HINSTANCE instance, const wchar_t *className, HICON icon)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, className, className, WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    SetWindowPos(window, nullptr, 100, 100, 646, 505, SWP_SHOWWINDOW | SWP_NOZORDER);
    return window;
}

inline int PumpMessages()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
