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

// Each entry point is looked up on its first call; only the user-interface
// thread makes these calls.
template <typename F> static F LookUp(F *cache, const wchar_t *dll, const char *proc)
{
    if (!*cache)
        *cache = SystemProcAs<F>(dll, proc);
    return *cache;
}

static BOOL WINAPI PlaySoundFromSystem(LPCWSTR sound, UINT flags)
{
    static BOOL(WINAPI * play)(LPCWSTR, UINT);
    return LookUp(&play, L"winmm.dll", "sndPlaySoundW") ? play(sound, flags) : FALSE;
}

static HINSTANCE WINAPI ShellExecuteFromSystem(HWND owner, LPCWSTR verb, LPCWSTR file,
                                               LPCWSTR parameters, LPCWSTR directory, INT show)
{
    static HINSTANCE(WINAPI * execute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    if (!LookUp(&execute, L"shell32.dll", "ShellExecuteW"))
        return reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
    return execute(owner, verb, file, parameters, directory, show);
}

static BOOL WINAPI ShellExecuteExFromSystem(SHELLEXECUTEINFOW *info)
{
    static BOOL(WINAPI * execute)(SHELLEXECUTEINFOW *);
    return LookUp(&execute, L"shell32.dll", "ShellExecuteExW") ? execute(info) : FALSE;
}

static UINT WINAPI ExtractIconExFromSystem(LPCWSTR file, int index, HICON *large, HICON *small,
                                           UINT count)
{
    static UINT(WINAPI * extract)(LPCWSTR, int, HICON *, HICON *, UINT);
    return LookUp(&extract, L"shell32.dll", "ExtractIconExW")
               ? extract(file, index, large, small, count)
               : 0;
}

// The common controls are the version the program's manifest asks for, which
// Windows finds among its side-by-side assemblies before any folder; the
// system directory is the only folder searched besides. A full path would
// bypass that and load the old version.
static HMODULE LoadCommonControls()
{
    HMODULE module = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? module : LoadSystemLibrary(L"comctl32.dll");
}

static void WINAPI InitCommonControlsFromSystem(void)
{
    static void(WINAPI * init)(void);
    if (!init) {
        HMODULE module = LoadCommonControls();
        init = reinterpret_cast<void(WINAPI *)(void)>(reinterpret_cast<void *>(
            module ? GetProcAddress(module, "InitCommonControls") : nullptr));
    }
    if (init)
        init();
}

static DWORD WINAPI VersionInfoSizeFromSystem(LPCWSTR file, LPDWORD handle)
{
    static DWORD(WINAPI * size)(LPCWSTR, LPDWORD);
    return LookUp(&size, L"version.dll", "GetFileVersionInfoSizeW") ? size(file, handle) : 0;
}

static BOOL WINAPI VersionInfoFromSystem(LPCWSTR file, DWORD handle, DWORD bytes, LPVOID data)
{
    static BOOL(WINAPI * info)(LPCWSTR, DWORD, DWORD, LPVOID);
    return LookUp(&info, L"version.dll", "GetFileVersionInfoW") ? info(file, handle, bytes, data)
                                                                : FALSE;
}

static BOOL WINAPI VerQueryValueFromSystem(LPCVOID block, LPCWSTR subBlock, LPVOID *value,
                                           PUINT bytes)
{
    static BOOL(WINAPI * query)(LPCVOID, LPCWSTR, LPVOID *, PUINT);
    return LookUp(&query, L"version.dll", "VerQueryValueW") ? query(block, subBlock, value, bytes)
                                                            : FALSE;
}

static const Platform realPlatform = {
    MessageBoxW,
    FindWindowW,
    ShellExecuteFromSystem,
    ShellExecuteExFromSystem,
    ExtractIconExFromSystem,
    CreateProcessW,
    WinExec,
    CreateThread,
    PlaySoundFromSystem,
    GetMessageW,
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
