// The baseline for start-up time: the least a Win32 program does to show a
// painted window.
#include "bare_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    ShowBareWindow(instance, L"KT.MinimalWindow", nullptr);
    return PumpMessages();
}
