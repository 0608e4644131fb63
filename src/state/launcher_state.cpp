#include "launcher_state.h"

LauncherState launcher;
const wchar_t LAUNCHER_CLASS[] = L"KT.SetupLauncher";
