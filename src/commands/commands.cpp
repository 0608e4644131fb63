#include "commands.h"

void ExecuteCommand(HWND, int) {}
DWORD WINAPI InstallerThread(LPVOID) { return 0; }
DWORD WINAPI UninstallerThread(LPVOID) { return 0; }
DWORD RunProcessAndWait(wchar_t *) { return E_FAIL; }
HRESULT ReadMachineString(const wchar_t *, const wchar_t *, wchar_t *, DWORD) { return E_FAIL; }
void HandleInstallDone(HWND) {}
void HandleUninstallDone(HWND) {}
