// The seam between the launcher and the outside world: every effect outside the
// process and every reading of the environment goes through `os`, so a test can
// swap a pointer and see what the launcher asked for. Same names and arguments
// as the Win32 calls they stand for; no logic here.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct Platform {
    int(WINAPI *MessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    HWND(WINAPI *FindWindowW)(LPCWSTR className, LPCWSTR windowName);
    HINSTANCE(WINAPI *ShellExecuteW)
    (HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
     INT showCommand);
    BOOL(WINAPI *ShellExecuteExW)(SHELLEXECUTEINFOW *info);
    UINT(WINAPI *ExtractIconExW)(LPCWSTR file, int index, HICON *large, HICON *small, UINT count);
    BOOL(WINAPI *CreateProcessW)
    (LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
     LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
     LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startupInfo,
     LPPROCESS_INFORMATION processInfo);
    UINT(WINAPI *WinExec)(LPCSTR commandLine, UINT showCommand);
    HANDLE(WINAPI *CreateThread)
    (LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
     LPVOID parameter, DWORD flags, LPDWORD threadId);
    BOOL(WINAPI *sndPlaySoundW)(LPCWSTR sound, UINT flags);
    BOOL(WINAPI *GetMessageW)(LPMSG message, HWND window, UINT first, UINT last);
    DWORD(WINAPI *GetTickCount)(void);
    int(WINAPI *GetLocaleInfoW)(LCID locale, LCTYPE type, LPWSTR data, int capacity);
    DWORD(WINAPI *GetEnvironmentVariableW)(LPCWSTR name, LPWSTR buffer, DWORD capacity);
    UINT(WINAPI *GetWindowsDirectoryW)(LPWSTR buffer, UINT capacity);
    UINT(WINAPI *GetSystemDirectoryW)(LPWSTR buffer, UINT capacity);
    DWORD(WINAPI *GetTempPathW)(DWORD capacity, LPWSTR buffer);
    BOOL(WINAPI *GetVolumeInformationW)
    (LPCWSTR root, LPWSTR label, DWORD labelCapacity, LPDWORD serial, LPDWORD maxComponent,
     LPDWORD flags, LPWSTR fileSystem, DWORD fileSystemCapacity);
    DWORD(WINAPI *GetModuleFileNameW)(HMODULE module, LPWSTR buffer, DWORD capacity);
    LONG(WINAPI *RegOpenKeyExW)
    (HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
    LONG(WINAPI *RegQueryValueExW)
    (HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataBytes);
    LONG(WINAPI *RegCloseKey)(HKEY key);
    // These and the shell's calls above are loaded from the system directory on
    // first use: most of their DLLs are not protected system DLLs, and the
    // shell is costly to load before the window shows.
    void(WINAPI *InitCommonControls)(void);
    DWORD(WINAPI *GetFileVersionInfoSizeW)(LPCWSTR file, LPDWORD handle);
    BOOL(WINAPI *GetFileVersionInfoW)(LPCWSTR file, DWORD handle, DWORD bytes, LPVOID data);
    BOOL(WINAPI *VerQueryValueW)(LPCVOID block, LPCWSTR subBlock, LPVOID *value, PUINT bytes);
};

extern Platform os;

// Restores every pointer of `os` to the real platform call.
void UseRealPlatform();

// Limits the DLL search of this process to the system directory, so a DLL
// planted beside the program is never loaded in place of a system one.
void RestrictDllSearch();

// Loads `name` from the system directory by full path; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t *name);
