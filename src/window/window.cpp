#include "window.h"

#include "../startup/launcher_state.h"

LRESULT CALLBACK LauncherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateLauncherWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = launcher.instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = LAUNCHER_CLASS;
    if (!RegisterClassW(&windowClass))
        return nullptr;
    HWND window = CreateWindowExW(0, LAUNCHER_CLASS, launcher.caption,
                                  WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE,
                                  CW_USEDEFAULT, 0, 557, 421, nullptr, nullptr,
                                  launcher.instance, nullptr);
    launcher.mainWindow = window;
    return window;
}
