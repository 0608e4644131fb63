#include "prerequisite.h"

#include "../config/config_names.h"
#include "../config/config_values.h"
#include "../platform/platform.h"
#include "../state/bounded_text.h"
#include "../state/launcher_state.h"

int GetFileVersionString(const wchar_t *path, wchar_t *version)
{
    DWORD handle = 0;
    DWORD size = os.GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    void *data = block ? GlobalLock(block) : nullptr;
    if (!data) {
        if (block)
            GlobalFree(block);
        return 0;
    }
    int result = 0;
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT fixedBytes = 0;
    // Information without the fixed block has no version to report.
    if (os.GetFileVersionInfoW(path, handle, size, data) &&
        os.VerQueryValueW(data, L"\\", reinterpret_cast<void **>(&fixed), &fixedBytes) && fixed &&
        fixedBytes >= sizeof(VS_FIXEDFILEINFO)) {
        wsprintfW(version, L"%d.%d.%d.%d", HIWORD(fixed->dwProductVersionMS),
                  LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                  LOWORD(fixed->dwProductVersionLS));
        result = 1;
    }
    GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

int CheckMediaRuntime()
{
    wchar_t required[VERSION_CAPACITY];
    if (!ReadConfigString(launcher.activeSection, KEY_DIRECTX_MEDIA, required, VERSION_CAPACITY))
        return 1;

    wchar_t directory[TEXT_CAPACITY];
    UINT length = os.GetSystemDirectoryW(directory, TEXT_CAPACITY);
    if (length == 0 || length >= TEXT_CAPACITY)
        directory[0] = 0;
    wchar_t path[TEXT_CAPACITY];
    wchar_t installed[VERSION_CAPACITY];
    if (!JoinText(path, TEXT_CAPACITY, directory, L"\\QUARTZ.DLL") ||
        !GetFileVersionString(path, installed))
        return 0;
    return IsVersionRecentEnough(installed, required);
}

int IsVersionRecentEnough(const wchar_t *installed, const wchar_t *required)
{
    return lstrcmpW(installed, required) >= 0 ? 1 : 0;
}

int ToWinExecCommandLine(const wchar_t *commandLine, char *ansi)
{
    return WideCharToMultiByte(CP_ACP, 0, commandLine, -1, ansi, WINEXEC_CAPACITY, nullptr,
                               nullptr) != 0;
}

static void RunCommandLine(const wchar_t *commandLine, UINT showCommand)
{
    char ansi[WINEXEC_CAPACITY];
    if (ToWinExecCommandLine(commandLine, ansi))
        os.WinExec(ansi, showCommand);
}

int RunMediaRuntimePrompt()
{
    wchar_t question[TEXT_CAPACITY];
    ReadConfigString(launcher.language, KEY_NODXMEDIA, question, TEXT_CAPACITY);
    if (os.MessageBoxW(nullptr, question, launcher.caption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 2;

    wchar_t commandLine[TEXT_CAPACITY];
    if (BuildRuntimeCommandLine(commandLine))
        RunCommandLine(commandLine, SW_SHOWNORMAL);
    return 2;
}

int BuildRuntimeCommandLine(wchar_t *commandLine)
{
    wchar_t installer[DXMEDIA_CAPACITY];
    ReadConfigString(launcher.language, KEY_DXMEDIA, installer, DXMEDIA_CAPACITY);
    wchar_t expanded[TEXT_CAPACITY];
    // A command that does not fit is not started: a cut one could name another program.
    return FormatWithText(expanded, TEXT_CAPACITY, installer, launcher.archToken) &&
           JoinSourcePath(commandLine, expanded);
}
