// Running a slot's command, and the workers that wait for the installer and
// the uninstaller.
#pragma once

#include "../config/command_table.h"
#include "../state/launcher_state.h"

#include <windows.h>

// Room for an "Insert" text of a full buffer with the longest label put in,
// so the prompt is never cut.
enum { PROMPT_CAPACITY = 2 * TEXT_CAPACITY };

// What a command's path names, and so what must be there for it.
enum CommandTarget : int {
    TARGET_NONE,    // the command takes no path
    TARGET_FOLDER,  // a folder on the disc, explored
    TARGET_FILE,    // a file on the disc, opened by the shell
    TARGET_PROGRAM, // a program on the disc, started and waited for
    TARGET_ADDRESS, // a web address, opened by the shell
    TARGET_COUNT
};

// What a slot's command does, as the launcher does it: the one description
// that running it, the author's checker and its try window all read.
struct CommandPlan {
    CommandKind kind;
    CommandTarget target;
    // The shell's verb, or null when the command is not handed to the shell.
    const wchar_t *verb;
    // The folder, file, address or program; the uninstaller's program.
    wchar_t file[TEXT_CAPACITY];
    wchar_t parameters[TEXT_CAPACITY];
    // The program's command line, for a command that starts it directly.
    wchar_t commandLine[TEXT_CAPACITY];
    bool closes; // it closes the launcher
    bool waits;  // a worker waits for it to end
    // The uninstaller: the product code read from the registry at the click
    // ends its parameters.
    bool productCodeFromRegistry;
    // 0 when its path or command line does not fit: it then does nothing.
    bool fits;
};

// The plan of slot `slotIndex` (0 to 29) as its command would run now.
void DescribeCommand(int slotIndex, CommandPlan *plan);

// The product code the uninstaller is given, from the registry, into `code`
// of TEXT_CAPACITY characters. 0 when there is none.
int ReadProductCode(wchar_t *code);

// Who carries out a command that is due: the launcher runs it; the author's
// try window shows it instead. Null (the default) runs it.
using CommandPerformer = void (*)(HWND window, int slotIndex, const CommandPlan &plan);
void SetCommandPerformer(CommandPerformer performer);

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
