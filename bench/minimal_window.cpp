// The baseline for start-up time: the least a Win32 program does to show a
// painted window.
#include <windows.h>

static LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MinimalProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"KT.MinimalWindow";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, L"KT.MinimalWindow", L"Minimal", WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX,
                        CW_USEDEFAULT, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    SetWindowPos(window, nullptr, 100, 100, 557, 440, SWP_SHOWWINDOW | SWP_NOZORDER);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
