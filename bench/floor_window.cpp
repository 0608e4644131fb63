// The floor for start-up time: the bare window of the minimal baseline, making
// the platform calls the launcher's behaviour needs, in the same order and the
// same way: the common controls at start-up, the shell for the window's icon
// (from the file named on the command line), the sound service for the intro
// sound once the window shows. What the launcher takes longer than this is its
// own work.
#include "bare_window.h"
#include "platform/platform.h"

#include <mmsystem.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    RestrictDllSearch();
    os.InitCommonControls();
    HICON icon = nullptr;
    os.ExtractIconExW(commandLine, 0, &icon, nullptr, 1);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(200), MAKEINTRESOURCEW(30));
    const void *introSound = found ? LockResource(LoadResource(instance, found)) : nullptr;
    ShowBareWindow(instance, L"KT.FloorWindow", icon);
    os.sndPlaySoundW(static_cast<LPCWSTR>(introSound), SND_ASYNC | SND_MEMORY);
    return PumpMessages();
}
