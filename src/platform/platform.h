// The seam between the launcher and the outside world: every effect outside the
// process and every reading of the environment goes through `os`, so a test can
// swap a pointer and see what the launcher asked for. Each member has the type
// of the Win32 call it stands for; no logic here.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <oleacc.h>
#include <shellapi.h>
#include <winver.h>

struct Platform {
    decltype(&::MessageBoxW) MessageBoxW;
    decltype(&::FindWindowW) FindWindowW;
    decltype(&::PostMessageW) PostMessageW;
    decltype(&::ShellExecuteW) ShellExecuteW;
    decltype(&::ShellExecuteExW) ShellExecuteExW;
    decltype(&::ExtractIconExW) ExtractIconExW;
    decltype(&::CreateProcessW) CreateProcessW;
    decltype(&::WinExec) WinExec;
    decltype(&::CreateThread) CreateThread;
    decltype(&::sndPlaySoundW) sndPlaySoundW;
    decltype(&::GetMessageW) GetMessageW;
    decltype(&::GetTickCount) GetTickCount;
    decltype(&::GetLocaleInfoW) GetLocaleInfoW;
    decltype(&::GetEnvironmentVariableW) GetEnvironmentVariableW;
    decltype(&::GetWindowsDirectoryW) GetWindowsDirectoryW;
    decltype(&::GetSystemDirectoryW) GetSystemDirectoryW;
    decltype(&::GetTempPathW) GetTempPathW;
    decltype(&::GetVolumeInformationW) GetVolumeInformationW;
    decltype(&::GetModuleFileNameW) GetModuleFileNameW;
    decltype(&::RegOpenKeyExW) RegOpenKeyExW;
    decltype(&::RegQueryValueExW) RegQueryValueExW;
    decltype(&::RegCloseKey) RegCloseKey;
    decltype(&::InitCommonControls) InitCommonControls;
    decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
    decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
    decltype(&::VerQueryValueW) VerQueryValueW;
    decltype(&::SystemParametersInfoW) SystemParametersInfoW;
    decltype(&::NotifyWinEvent) NotifyWinEvent;
    decltype(&::CoInitializeEx) CoInitializeEx;
    decltype(&::CoDisconnectObject) CoDisconnectObject;
    decltype(&::CoUninitialize) CoUninitialize;
    decltype(&::SysAllocString) SysAllocString;
    decltype(&::LresultFromObject) LresultFromObject;
    decltype(&::AccessibleObjectFromWindow) AccessibleObjectFromWindow;
    // Newer than Windows 7; 0 where the system lacks them.
    UINT(WINAPI *GetDpiForWindow)(HWND window);
    int(WINAPI *GetSystemMetricsForDpi)(int index, UINT dpi);
};

extern Platform os;

// Restores every pointer of `os` to the real platform call.
void UseRealPlatform();

// Limits the DLL search of this process to the system directory, so a DLL
// planted beside the program is never loaded in place of a system one.
void RestrictDllSearch();

// Loads `name` from the system directory by full path; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t *name);
