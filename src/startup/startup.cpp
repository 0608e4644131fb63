#include "startup.h"

#include "../config/config_values.h"
#include "../platform/platform.h"
#include "../window/accessibility.h"
#include "../window/window.h"
#include "launcher_state.h"
#include "prerequisite.h"

#include <wctype.h>

LauncherState launcher;
const wchar_t LAUNCHER_CLASS[] = L"KT.SetupLauncher";

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

void DetectProcessorToken()
{
    wchar_t value[TEXT_CAPACITY] = L"";
    DWORD length = os.GetEnvironmentVariableW(L"PROCESSOR_ARCHITECTURE", value, TEXT_CAPACITY);
    if (length >= TEXT_CAPACITY)
        value[0] = 0; // too long to be either token
    static const wchar_t *const tokens[] = {L"X86", L"ALPHA"};
    if (value[0]) {
        for (const wchar_t *token : tokens) {
            if (MatchesIgnoringAsciiCase(value, lstrlenW(value), token)) {
                lstrcpyW(launcher.archToken, token);
                return;
            }
        }
    }
    lstrcpyW(launcher.archToken, L"X86");
}

int IsLanguageListed(const wchar_t *language)
{
    wchar_t value[TEXT_CAPACITY];
    return language[0] && ReadConfigString(L"Languages", language, value, TEXT_CAPACITY) != 0;
}

void ReadUserLanguage(wchar_t *name)
{
    if (os.GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, TEXT_CAPACITY) == 0)
        name[0] = 0;
    name[TEXT_CAPACITY - 1] = 0;
}

void ChooseLanguage(const wchar_t *userLanguage)
{
    CopyText(launcher.language, TEXT_CAPACITY, userLanguage);
    if (IsLanguageListed(launcher.language))
        return;

    wchar_t *p = launcher.language;
    while (*p && iswalpha(*p))
        p = CharNextW(p);
    *p = 0;
    if (IsLanguageListed(launcher.language))
        return;

    ReadConfigString(launcher.activeSection, L"DefaultLang", launcher.language, TEXT_CAPACITY);
}

// Reads Title of the active section's texts in `language` into `caption`.
static void ReadCaption()
{
    wchar_t section[TEXT_CAPACITY];
    if (JoinText3(section, TEXT_CAPACITY, launcher.activeSection, L"Str_", launcher.language))
        ReadConfigString(section, L"Title", launcher.caption, TEXT_CAPACITY);
}

void PrepareWindowState(const wchar_t *userLanguage)
{
    ChooseLanguage(userLanguage);
    launcher.captured = 0;
    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
    launcher.visibleCount = 0;
    launcher.lastHitX = 0;
    launcher.lastHitY = 0;
    lstrcpyW(launcher.sectionPrefix, launcher.activeSection);
    ReadCaption();
}

int IsApplicationInstalled(const wchar_t *, wchar_t *, int)
{
    return 0;
}

// Builds `directory` + "~" + label + ".INI", the directory given a trailing
// backslash when it lacks one. 0 when the name does not fit.
static int BuildWorkingCopyPath(const wchar_t *directory, wchar_t *path)
{
    wchar_t folder[TEXT_CAPACITY];
    int length = lstrlenW(directory);
    if (length == 0)
        return 0;
    const wchar_t *separator = directory[length - 1] == L'\\' ? L"" : L"\\";
    if (!JoinText(folder, TEXT_CAPACITY, directory, separator))
        return 0;
    wchar_t name[TEXT_CAPACITY];
    if (!JoinText3(name, TEXT_CAPACITY, L"~", launcher.volumeLabel, L".INI"))
        return 0;
    return JoinText(path, TEXT_CAPACITY, folder, name);
}

static void DeleteFileOfAnyAttributes(const wchar_t *path)
{
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
}

// Replaces any stale copy at `copyPath` by a fresh copy of `source`.
static int PlaceCopy(const wchar_t *source, const wchar_t *copyPath)
{
    if (GetFileAttributesW(copyPath) != INVALID_FILE_ATTRIBUTES)
        DeleteFileOfAnyAttributes(copyPath);
    return CopyFileW(source, copyPath, FALSE);
}

void ReadWindowsDirectory(wchar_t *directory)
{
    UINT length = os.GetWindowsDirectoryW(directory, TEXT_CAPACITY);
    if (length == 0 || length >= TEXT_CAPACITY)
        directory[0] = 0;
}

void MakeWorkingCopy(const wchar_t *windowsDirectory)
{
    wchar_t copyPath[TEXT_CAPACITY] = L"";
    if (BuildWorkingCopyPath(windowsDirectory, copyPath) && PlaceCopy(launcher.iniPath, copyPath)) {
        lstrcpyW(launcher.iniPath, copyPath);
        return;
    }

    // A standard user may not write to the Windows directory: use the user's
    // temporary directory under the same name.
    wchar_t directory[TEXT_CAPACITY];
    wchar_t tempPath[TEXT_CAPACITY] = L"";
    DWORD tempLength = os.GetTempPathW(TEXT_CAPACITY, directory);
    if (tempLength == 0 || tempLength >= TEXT_CAPACITY)
        directory[0] = 0;
    if (BuildWorkingCopyPath(directory, tempPath) && PlaceCopy(launcher.iniPath, tempPath)) {
        lstrcpyW(launcher.iniPath, tempPath);
        return;
    }

    // No copy could be made: every later read finds nothing. The file beside
    // the program is never named here, so it is never read or deleted later.
    lstrcpyW(launcher.iniPath, copyPath[0] ? copyPath : tempPath);
}

void DeleteWorkingCopy()
{
    if (launcher.iniPath[0])
        DeleteFileOfAnyAttributes(launcher.iniPath);
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

    lstrcpyW(launcher.activeSection, L"Setup");
    if (ReadConfigString(launcher.activeSection, L"AppRegKey", launcher.appRegKeyValue,
                         TEXT_CAPACITY)) {
        wchar_t scratch[TEXT_CAPACITY];
        if (IsApplicationInstalled(launcher.appRegKeyValue, scratch, TEXT_CAPACITY) == 1)
            lstrcpyW(launcher.activeSection, L"Run");
    }
    wchar_t noRunClass[TEXT_CAPACITY];
    if (ReadConfigString(launcher.activeSection, L"NoRunAppClass", noRunClass, TEXT_CAPACITY) &&
        os.FindWindowW(noRunClass, nullptr))
        return 1;

    os.InitCommonControls();
    DetectProcessorToken();
    wchar_t windowsDirectory[TEXT_CAPACITY];
    ReadWindowsDirectory(windowsDirectory);
    if (!os.GetVolumeInformationW(launcher.sourceRoot, launcher.volumeLabel, TEXT_CAPACITY, nullptr,
                                  nullptr, nullptr, nullptr, 0))
        launcher.volumeLabel[0] = 0;
    MakeWorkingCopy(windowsDirectory);
    wchar_t userLanguage[TEXT_CAPACITY] = L"";
    ReadUserLanguage(userLanguage);
    PrepareWindowState(userLanguage);

    int result = RunLauncher(showCommand);
    DeleteWorkingCopy();
    return result;
}
