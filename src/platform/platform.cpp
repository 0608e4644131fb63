#include "platform.h"

#include <type_traits>

namespace {

// Loads `name` from the system directory by full path; null when it is not there.
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
#define NO_CALL(...)
#define OPTIONAL_NAME(name, ...) OPTIONAL_##name,
enum OptionalCall { PLATFORM_CALLS(NO_CALL, OPTIONAL_NAME) OPTIONAL_CALL_COUNT };
#undef OPTIONAL_NAME

struct OptionalEntry {
    const wchar_t *dll;
    const char *name;
    HMODULE (*load)(const wchar_t *dll);
    INT_PTR fallback; // the answer when the DLL or the function is missing
};

#define OPTIONAL_ENTRY(name, dll, load, fallback) {dll, #name, load, fallback},
const OptionalEntry OPTIONAL_CALLS[OPTIONAL_CALL_COUNT] = {PLATFORM_CALLS(NO_CALL, OPTIONAL_ENTRY)};
#undef OPTIONAL_ENTRY

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

#define DIRECT_CALL(name) name,
#define OPTIONAL_CALL(name, ...) Optional<OPTIONAL_##name, decltype(&::name)>::Call,
const Platform realPlatform = {PLATFORM_CALLS(DIRECT_CALL, OPTIONAL_CALL)};
#undef DIRECT_CALL
#undef OPTIONAL_CALL
#undef NO_CALL

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
