#include "startup.h"

#include "../commands/product_probe.h"
#include "../config/config_names.h"
#include "../config/config_values.h"
#include "../config/language.h"
#include "../platform/platform.h"
#include "../state/bounded_text.h"
#include "../state/launcher_state.h"
#include "../state/working_copy.h"
#include "../window/accessibility.h"
#include "../window/window.h"
#include "prerequisite.h"

static const wchar_t CONFIG_NAME[] = L"AUTORUN.INI";

int GetSourceRoot(const wchar_t *path, wchar_t *root, int capacity)
{
    if (!path || !root || capacity == 0)
        return 0;
    // The root is assembled in a work area of the fields' size; its full length
    // is counted even where it outgrows that area, so a root that does not fit
    // is never stored cut.
    wchar_t work[TEXT_CAPACITY];
    int length = 0;
    auto put = [&](wchar_t c) {
        if (length < TEXT_CAPACITY - 1)
            work[length] = c;
        length++;
    };
    const wchar_t *p = path;
    if (p[0] == L'\\' && p[1] == L'\\') {
        put(L'\\');
        put(L'\\');
        p += 2;
        while (*p && *p != L'\\')
            put(*p++);
        put(L'\\');
        if (*p)
            p++;
        while (*p && *p != L'\\')
            put(*p++);
    } else {
        while (*p && *p != L'\\')
            put(*p++);
    }
    put(L'\\');
    if (length < capacity && length < TEXT_CAPACITY) {
        work[length] = 0;
        lstrcpyW(root, work);
    } else {
        root[0] = 0;
    }
    return length;
}

static int RunLauncher(int)
{
    if (!CheckMediaRuntime())
        return RunMediaRuntimePrompt();
    if (!CreateLauncherWindow())
        return -1;
    MSG message = {};
    BOOL got;
    while ((got = os.GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    LeaveAccessibility();
    // A loop that failed never saw the quit message: its code would be stale.
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

// Points iniPath at the configuration file in the program's own folder.
static void LocateConfiguration()
{
    wchar_t *nameStart = launcher.iniPath;
    for (wchar_t *p = launcher.iniPath; *p; p = CharNextW(p)) {
        if (*p == L'\\')
            nameStart = p + 1;
    }
    int room = TEXT_CAPACITY - static_cast<int>(nameStart - launcher.iniPath);
    if (!JoinText(nameStart, room, CONFIG_NAME, nullptr))
        launcher.iniPath[0] = 0;
}

int LauncherMain(HINSTANCE instance, int showCommand)
{
    if (os.FindWindowW(LAUNCHER_CLASS, nullptr))
        return 1;

    launcher.instance = instance;
    DWORD pathLength = os.GetModuleFileNameW(nullptr, launcher.iniPath, TEXT_CAPACITY);
    if (pathLength == 0 || pathLength >= TEXT_CAPACITY)
        launcher.iniPath[0] = 0; // a cut path would name another folder
    GetSourceRoot(launcher.iniPath, launcher.sourceRoot, TEXT_CAPACITY);
    // Without the program's own folder the bare file name would be looked up in
    // the current and the Windows directory: another disc's file.
    if (launcher.iniPath[0])
        LocateConfiguration();

    if (!launcher.iniPath[0] || GetFileAttributesW(launcher.iniPath) == INVALID_FILE_ATTRIBUTES) {
        wchar_t text[TEXT_CAPACITY];
        JoinText(text, TEXT_CAPACITY, L"NO ", CONFIG_NAME);
        os.MessageBoxW(nullptr, text, L"ERROR", MB_ICONERROR);
        return 1;
    }

    lstrcpyW(launcher.activeSection, ChooseStartSection());
    wchar_t noRunClass[TEXT_CAPACITY];
    if (ReadConfigString(launcher.activeSection, KEY_NO_RUN_APP_CLASS, noRunClass, TEXT_CAPACITY) &&
        os.FindWindowW(noRunClass, nullptr))
        return 1;

    os.InitCommonControls();
    wchar_t windowsDirectory[TEXT_CAPACITY];
    ReadWindowsDirectory(windowsDirectory);
    if (!os.GetVolumeInformationW(launcher.sourceRoot, launcher.volumeLabel, TEXT_CAPACITY, nullptr,
                                  nullptr, nullptr, nullptr, 0))
        launcher.volumeLabel[0] = 0;
    MakeWorkingCopy(windowsDirectory);
    wchar_t userLanguage[TEXT_CAPACITY] = L"";
    ReadUserLanguage(userLanguage);
    StartDiscLoad(launcher.activeSection, userLanguage);

    int result = RunLauncher(showCommand);
    DeleteWorkingCopy();
    return result;
}
