#include "platform.h"

#include <type_traits>

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

namespace {

// The common controls are the version the program's manifest asks for, which
// Windows finds among its side-by-side assemblies before any folder; the
// system directory is the only folder searched besides. A full path would
// bypass that and load the old version.
HMODULE LoadSideBySideLibrary(const wchar_t *name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? module : LoadSystemLibrary(name);
}

// Calls whose DLLs are loaded from the system directory on first use: most of
// them are not protected system DLLs, the shell is costly to load before the
// window shows, and COM and accessibility cost nothing until a screen reader asks.
enum OptionalCall {
    PLAY_SOUND,
    SHELL_EXECUTE,
    SHELL_EXECUTE_EX,
    EXTRACT_ICON_EX,
    INIT_COMMON_CONTROLS,
    VERSION_INFO_SIZE,
    VERSION_INFO,
    VERSION_QUERY,
    CO_INITIALIZE_EX,
    CO_DISCONNECT_OBJECT,
    CO_UNINITIALIZE,
    SYS_ALLOC_STRING,
    LRESULT_FROM_OBJECT,
    ACCESSIBLE_OBJECT_FROM_WINDOW,
    DPI_FOR_WINDOW,
    METRICS_FOR_DPI,
    OPTIONAL_CALL_COUNT
};

struct OptionalEntry {
    const wchar_t *dll;
    const char *name;
    HMODULE (*load)(const wchar_t *dll);
    INT_PTR fallback; // the answer when the DLL or the function is missing
};

const OptionalEntry OPTIONAL_CALLS[OPTIONAL_CALL_COUNT] = {
    {L"winmm.dll", "sndPlaySoundW", LoadSystemLibrary, FALSE},
    {L"shell32.dll", "ShellExecuteW", LoadSystemLibrary, SE_ERR_DLLNOTFOUND},
    {L"shell32.dll", "ShellExecuteExW", LoadSystemLibrary, FALSE},
    {L"shell32.dll", "ExtractIconExW", LoadSystemLibrary, 0},
    {L"comctl32.dll", "InitCommonControls", LoadSideBySideLibrary, 0},
    {L"version.dll", "GetFileVersionInfoSizeW", LoadSystemLibrary, 0},
    {L"version.dll", "GetFileVersionInfoW", LoadSystemLibrary, FALSE},
    {L"version.dll", "VerQueryValueW", LoadSystemLibrary, FALSE},
    {L"ole32.dll", "CoInitializeEx", LoadSystemLibrary, E_FAIL},
    {L"ole32.dll", "CoDisconnectObject", LoadSystemLibrary, E_FAIL},
    {L"ole32.dll", "CoUninitialize", LoadSystemLibrary, 0},
    {L"oleaut32.dll", "SysAllocString", LoadSystemLibrary, 0},
    {L"oleacc.dll", "LresultFromObject", LoadSystemLibrary, E_FAIL},
    {L"oleacc.dll", "AccessibleObjectFromWindow", LoadSystemLibrary, E_FAIL},
    {L"user32.dll", "GetDpiForWindow", LoadSystemLibrary, 0},
    {L"user32.dll", "GetSystemMetricsForDpi", LoadSystemLibrary, 0},
};

// Found entry points; a missing one is looked for again on the next call. The
// workers call ShellExecuteExW too, so the cache is read and written whole.
void *resolved[OPTIONAL_CALL_COUNT];

void *Resolve(OptionalCall which)
{
    void *proc = InterlockedCompareExchangePointer(&resolved[which], nullptr, nullptr);
    if (!proc) {
        const OptionalEntry &entry = OPTIONAL_CALLS[which];
        HMODULE module = entry.load(entry.dll);
        proc = module ? reinterpret_cast<void *>(GetProcAddress(module, entry.name)) : nullptr;
        InterlockedExchangePointer(&resolved[which], proc);
    }
    return proc;
}

template <typename R> R Fallback(INT_PTR value)
{
    if constexpr (std::is_void_v<R>)
        return;
    else if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(value);
    else
        return static_cast<R>(value);
}

// The stand-in for an optional call, with the call's own signature.
template <OptionalCall Which, typename F> struct Optional;
template <OptionalCall Which, typename R, typename... A> struct Optional<Which, R(WINAPI *)(A...)> {
    static R WINAPI Call(A... arguments)
    {
        auto proc = reinterpret_cast<R(WINAPI *)(A...)>(Resolve(Which));
        if (proc)
            return proc(arguments...);
        return Fallback<R>(OPTIONAL_CALLS[Which].fallback);
    }
};

const Platform realPlatform = {
    MessageBoxW,
    FindWindowW,
    PostMessageW,
    Optional<SHELL_EXECUTE, decltype(Platform::ShellExecuteW)>::Call,
    Optional<SHELL_EXECUTE_EX, decltype(Platform::ShellExecuteExW)>::Call,
    Optional<EXTRACT_ICON_EX, decltype(Platform::ExtractIconExW)>::Call,
    CreateProcessW,
    WinExec,
    CreateThread,
    Optional<PLAY_SOUND, decltype(Platform::sndPlaySoundW)>::Call,
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
    Optional<INIT_COMMON_CONTROLS, decltype(Platform::InitCommonControls)>::Call,
    Optional<VERSION_INFO_SIZE, decltype(Platform::GetFileVersionInfoSizeW)>::Call,
    Optional<VERSION_INFO, decltype(Platform::GetFileVersionInfoW)>::Call,
    Optional<VERSION_QUERY, decltype(Platform::VerQueryValueW)>::Call,
    SystemParametersInfoW,
    NotifyWinEvent,
    Optional<CO_INITIALIZE_EX, decltype(Platform::CoInitializeEx)>::Call,
    Optional<CO_DISCONNECT_OBJECT, decltype(Platform::CoDisconnectObject)>::Call,
    Optional<CO_UNINITIALIZE, decltype(Platform::CoUninitialize)>::Call,
    Optional<SYS_ALLOC_STRING, decltype(Platform::SysAllocString)>::Call,
    Optional<LRESULT_FROM_OBJECT, decltype(Platform::LresultFromObject)>::Call,
    Optional<ACCESSIBLE_OBJECT_FROM_WINDOW, decltype(Platform::AccessibleObjectFromWindow)>::Call,
    Optional<DPI_FOR_WINDOW, decltype(Platform::GetDpiForWindow)>::Call,
    Optional<METRICS_FOR_DPI, decltype(Platform::GetSystemMetricsForDpi)>::Call,
};

} // namespace

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
