#include "launcher_state.h"

LauncherState launcher;
const wchar_t LAUNCHER_CLASS[] = L"KT.SetupLauncher";

void ResetWindowRecord()
{
    static_cast<WindowRecord &>(launcher) = WindowRecord{};
    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
}
