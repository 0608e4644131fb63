// The floor for start-up time: a bare window that makes the platform calls the
// launcher's behaviour needs, in the same order and the same way: the common
// controls at start-up, the shell for the window's icon (from the file named
// on the command line), the sound service for the intro sound once the window
// shows. What the launcher takes longer than this is its own work.
#include "platform/platform.h"

#include <mmsystem.h>

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    RestrictDllSearch();
    os.InitCommonControls();

    HICON icon = nullptr;
    os.ExtractIconExW(commandLine, 0, &icon, nullptr, 1);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(200), MAKEINTRESOURCEW(30));
    const void *introSound = found ? LockResource(LoadResource(instance, found)) : nullptr;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"KT.FloorWindow";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, L"KT.FloorWindow", L"Floor", WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX,
                        CW_USEDEFAULT, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    SetWindowPos(window, nullptr, 100, 100, 646, 505, SWP_SHOWWINDOW | SWP_NOZORDER);
    os.sndPlaySoundW(static_cast<LPCWSTR>(introSound), SND_ASYNC | SND_MEMORY);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
