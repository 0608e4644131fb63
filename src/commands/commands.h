// Running a slot's command, and the workers that wait for the installer and
// the uninstaller.
#pragma once

#include "../startup/launcher_state.h"

#include <windows.h>

// Room for an "Insert" text of a full buffer with the longest label put in,
// so the prompt is never cut.
enum { PROMPT_CAPACITY = 2 * TEXT_CAPACITY };

// Runs the command of slot `slotIndex` (0 to 29); anything else does nothing.
void ExecuteCommand(HWND window, int slotIndex);

// The insert-disc prompt's text (PROMPT_CAPACITY characters): Insert of the
// active texts with the volume label put in.
void ReadInsertPrompt(wchar_t *message);

// "program arguments" into `commandLine` (260 characters), the blank kept when
// there are no arguments. 0 when the line would not fit.
int BuildInstallerCommandLine(const wchar_t *program, const wchar_t *arguments,
                              wchar_t *commandLine);

DWORD WINAPI InstallerThread(LPVOID unused);
DWORD WINAPI UninstallerThread(LPVOID unused);

// Starts a process from `commandLine` (which the platform may change in place),
// waits for it and returns its exit code, or E_FAIL when it cannot start.
// `program` and `parameters` are the pieces the command line was built from:
// a program that needs elevation is started from them through the shell,
// with the consent prompt; without a `program` it is not started.
DWORD RunProcessAndWait(wchar_t *commandLine, const wchar_t *program, const wchar_t *parameters);

// Reads a text value under HKEY_LOCAL_MACHINE into `buffer` of `bufferBytes`
// bytes; the result is always terminated inside the buffer. 0 or E_FAIL.
HRESULT ReadMachineString(const wchar_t *subKey, const wchar_t *valueName, wchar_t *buffer,
                          DWORD bufferBytes);

// The window's handling of LM_INSTALL_DONE and LM_UNINSTALL_DONE.
void HandleInstallDone(HWND window);
void HandleUninstallDone(HWND window);
