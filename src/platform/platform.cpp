#include "platform.h"

HMODULE LoadSystemLibrary(const wchar_t *name)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    if (path[length - 1] != L'\\' && length + 1 < MAX_PATH)
        path[length++] = L'\\';
    path[length] = 0;
    if (lstrlenW(path) + lstrlenW(name) >= MAX_PATH)
        return nullptr;
    lstrcatW(path, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

static FARPROC SystemProc(const wchar_t *dll, const char *proc)
{
    HMODULE module = LoadSystemLibrary(dll);
    return module ? GetProcAddress(module, proc) : nullptr;
}

template <typename F> static F SystemProcAs(const wchar_t *dll, const char *proc)
{
    return reinterpret_cast<F>(reinterpret_cast<void *>(SystemProc(dll, proc)));
}

static BOOL WINAPI PlaySoundFromSystem(LPCWSTR sound, UINT flags)
{
    static auto play = SystemProcAs<BOOL(WINAPI *)(LPCWSTR, UINT)>(L"winmm.dll", "sndPlaySoundW");
    return play ? play(sound, flags) : FALSE;
}

static void WINAPI InitCommonControlsFromSystem(void)
{
    static auto init = SystemProcAs<void(WINAPI *)(void)>(L"comctl32.dll", "InitCommonControls");
    if (init)
        init();
}

static DWORD WINAPI VersionInfoSizeFromSystem(LPCWSTR file, LPDWORD handle)
{
    static auto size = SystemProcAs<DWORD(WINAPI *)(LPCWSTR, LPDWORD)>(
        L"version.dll", "GetFileVersionInfoSizeW");
    return size ? size(file, handle) : 0;
}

static BOOL WINAPI VersionInfoFromSystem(LPCWSTR file, DWORD handle, DWORD bytes, LPVOID data)
{
    static auto info = SystemProcAs<BOOL(WINAPI *)(LPCWSTR, DWORD, DWORD, LPVOID)>(
        L"version.dll", "GetFileVersionInfoW");
    return info ? info(file, handle, bytes, data) : FALSE;
}

static BOOL WINAPI VerQueryValueFromSystem(LPCVOID block, LPCWSTR subBlock, LPVOID *value,
                                           PUINT bytes)
{
    static auto query = SystemProcAs<BOOL(WINAPI *)(LPCVOID, LPCWSTR, LPVOID *, PUINT)>(
        L"version.dll", "VerQueryValueW");
    return query ? query(block, subBlock, value, bytes) : FALSE;
}

static const Platform realPlatform = {
    MessageBoxW,
    FindWindowW,
    ShellExecuteW,
    ShellExecuteExW,
    CreateProcessW,
    WinExec,
    CreateThread,
    PlaySoundFromSystem,
    GetTickCount,
    GetLocaleInfoW,
    GetEnvironmentVariableW,
    GetWindowsDirectoryW,
    GetSystemDirectoryW,
    GetTempPathW,
    GetVolumeInformationW,
    GetModuleFileNameW,
    RegOpenKeyExW,
    RegQueryValueExW,
    RegCloseKey,
    InitCommonControlsFromSystem,
    VersionInfoSizeFromSystem,
    VersionInfoFromSystem,
    VerQueryValueFromSystem,
};

Platform os = realPlatform;

void UseRealPlatform()
{
    os = realPlatform;
}

void RestrictDllSearch()
{
    // Takes the program's folder and the current directory out of the search
    // for every later load; available on Windows 8 and on Windows 7 with the
    // loader update, otherwise the current directory is at least removed.
    typedef BOOL(WINAPI * SetDefaultDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDirectoriesFn>(reinterpret_cast<void *>(
        kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}
