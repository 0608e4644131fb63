// The seam between the launcher and the calls a test needs to see or answer:
// the messages and dialogs it shows, what it starts (the shell, processes,
// threads, sounds), what it reads of the machine (the locale, the environment,
// the folders, the registry, the volume, versions) and the calls whose DLLs
// are loaded only on first use (the shell, the common controls, version
// information, COM and accessibility). A test swaps a pointer of `os` and sees
// what the launcher asked for. Each member has the type of the Win32 call it
// stands for; no logic here.
//
// Not through it: reading the configuration (the profile calls), files read
// whole (CreateFile and ReadFile), the working copy's CopyFile, and waiting
// for a started process. Tests give those real files and real processes.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <oleacc.h>
#include <shellapi.h>
#include <winver.h>

#if WINVER < 0x0605
// Newer than Windows 7: the seam finds them at run time and answers 0 where
// the system lacks them. Declared for their types alone.
extern "C" UINT WINAPI GetDpiForWindow(HWND window);
extern "C" int WINAPI GetSystemMetricsForDpi(int index, UINT dpi);
#endif

// Each call of the seam, once. DIRECT(name): linked as usual.
// LOADED(name, dll, load, fallback): found in `dll`, loaded by `load` on
// first use; `fallback` is the answer when the DLL or the call is missing.
#define PLATFORM_CALLS(DIRECT, LOADED)                                                           \
    DIRECT(MessageBoxW)                                                                            \
    DIRECT(FindWindowW)                                                                            \
    DIRECT(PostMessageW)                                                                           \
    LOADED(ShellExecuteW, L"shell32.dll", LoadSystemLibrary, SE_ERR_DLLNOTFOUND)                 \
    LOADED(ShellExecuteExW, L"shell32.dll", LoadSystemLibrary, FALSE)                            \
    LOADED(ExtractIconExW, L"shell32.dll", LoadSystemLibrary, 0)                                 \
    DIRECT(CreateProcessW)                                                                         \
    DIRECT(WinExec)                                                                                \
    DIRECT(CreateThread)                                                                           \
    LOADED(sndPlaySoundW, L"winmm.dll", LoadSystemLibrary, FALSE)                                \
    DIRECT(GetMessageW)                                                                            \
    DIRECT(GetTickCount)                                                                           \
    DIRECT(GetLocaleInfoW)                                                                         \
    DIRECT(GetEnvironmentVariableW)                                                                \
    DIRECT(GetWindowsDirectoryW)                                                                   \
    DIRECT(GetSystemDirectoryW)                                                                    \
    DIRECT(GetTempPathW)                                                                           \
    DIRECT(GetVolumeInformationW)                                                                  \
    DIRECT(GetModuleFileNameW)                                                                     \
    DIRECT(RegOpenKeyExW)                                                                          \
    DIRECT(RegQueryValueExW)                                                                       \
    DIRECT(RegCloseKey)                                                                            \
    LOADED(InitCommonControls, L"comctl32.dll", LoadSideBySideLibrary, 0)                        \
    LOADED(GetFileVersionInfoSizeW, L"version.dll", LoadSystemLibrary, 0)                        \
    LOADED(GetFileVersionInfoW, L"version.dll", LoadSystemLibrary, FALSE)                        \
    LOADED(VerQueryValueW, L"version.dll", LoadSystemLibrary, FALSE)                             \
    DIRECT(SystemParametersInfoW)                                                                  \
    DIRECT(NotifyWinEvent)                                                                         \
    LOADED(CoInitializeEx, L"ole32.dll", LoadSystemLibrary, E_FAIL)                              \
    LOADED(CoDisconnectObject, L"ole32.dll", LoadSystemLibrary, E_FAIL)                          \
    LOADED(CoUninitialize, L"ole32.dll", LoadSystemLibrary, 0)                                   \
    LOADED(SysAllocString, L"oleaut32.dll", LoadSystemLibrary, 0)                                \
    LOADED(LresultFromObject, L"oleacc.dll", LoadSystemLibrary, E_FAIL)                          \
    LOADED(AccessibleObjectFromWindow, L"oleacc.dll", LoadSystemLibrary, E_FAIL)                  \
    LOADED(GetDpiForWindow, L"user32.dll", LoadSystemLibrary, 0)                                   \
    LOADED(GetSystemMetricsForDpi, L"user32.dll", LoadSystemLibrary, 0)

#define PLATFORM_MEMBER(name, ...) decltype(&::name) name;
struct Platform {
    PLATFORM_CALLS(PLATFORM_MEMBER, PLATFORM_MEMBER)
};
#undef PLATFORM_MEMBER

extern Platform os;

// Restores every pointer of `os` to the real platform call.
void UseRealPlatform();

// Limits the DLL search of this process to the system directory, so a DLL
// planted beside the program is never loaded in place of a system one.
void RestrictDllSearch();
