#include "commands.h"

#include "../config/command_table.h"

// Only the exit command so far; the other kinds arrive with the workers.
void ExecuteCommand(HWND window, int slotIndex)
{
    if (slotIndex < 0 || slotIndex >= SLOT_COUNT)
        return;
    if (CommandTable[slotIndex].kind == CMD_EXIT)
        DestroyWindow(window);
}

DWORD WINAPI InstallerThread(LPVOID) { return 0; }
DWORD WINAPI UninstallerThread(LPVOID) { return 0; }
DWORD RunProcessAndWait(wchar_t *) { return E_FAIL; }
HRESULT ReadMachineString(const wchar_t *, const wchar_t *, wchar_t *, DWORD) { return E_FAIL; }
void HandleInstallDone(HWND) {}
void HandleUninstallDone(HWND) {}
