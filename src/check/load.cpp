// Loads as the launcher does, for one user language after another.
#include "load.h"

#include "config/command_table.h"
#include "config/config_names.h"
#include "config/config_values.h"
#include "config/image_scale.h"
#include "config/language.h"
#include "state/bounded_text.h"
#include "state/launcher_state.h"
#include "window/window.h"

#include <string.h>

static const wchar_t CHECK_WINDOW_CLASS[] = L"KT.AutorunCheck";

// The checker's own copy of the author's AUTORUN.INI, which every read of the
// configuration goes to: an editor may replace the author's file at any
// moment, and one check reads one version of it throughout.
static wchar_t snapshot[TEXT_CAPACITY];

int PlaceSnapshot(const std::string &bytes)
{
    wchar_t folder[TEXT_CAPACITY], path[TEXT_CAPACITY];
    DWORD length = GetTempPathW(TEXT_CAPACITY, folder);
    if (length == 0 || length >= TEXT_CAPACITY || !GetTempFileNameW(folder, L"ini", 0, path))
        return 0;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    BOOL ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok) {
        DeleteFileW(path);
        return 0;
    }
    DeleteSnapshot();
    lstrcpyW(snapshot, path);
    lstrcpyW(launcher.iniPath, path);
    return 1;
}

void DeleteSnapshot()
{
    if (snapshot[0])
        DeleteFileW(snapshot);
    snapshot[0] = 0;
}

HWND CreateCheckWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = CHECK_WINDOW_CLASS;
    RegisterClassW(&windowClass);
    // Never shown; the launcher's style, so its frame gives the same client area.
    HWND window =
        CreateWindowExW(0, CHECK_WINDOW_CLASS, L"", LAUNCHER_WINDOW_STYLE, CW_USEDEFAULT, 0,
                        CW_USEDEFAULT, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window)
        return window;
    // Without a display (Wine with no X server) only a message-only window can be made.
    return CreateWindowExW(0, CHECK_WINDOW_CLASS, L"", LAUNCHER_WINDOW_STYLE, CW_USEDEFAULT, 0,
                           CW_USEDEFAULT, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

std::vector<std::wstring> UserLanguagesToCheck(const Checker &checker)
{
    if (!checker.options.language.empty())
        return {checker.options.language};
    // From the scan, which holds every key however long the section is.
    std::vector<std::wstring> users;
    std::set<std::wstring> seen;
    for (const IniEntry &entry : checker.scan.entries) {
        if (SameName(entry.section, SECTION_LANGUAGES) && seen.insert(FoldName(entry.key)).second)
            users.push_back(entry.key);
    }
    users.push_back(L"");
    return users;
}

void ReleaseLoad()
{
    ForgetDiscLoad();
    ResetWindowRecord();
    // An editor may save the author's files while the checker reads them.
    launcher.sharedReads = 1;
}

// The client area that the launcher window gets for the outer size that the
// layout asked for, as the platform computes it for the launcher's style.
static SIZE ClientAreaFor(HWND window, SIZE outer)
{
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RECT client = {};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

std::wstring LoadAsUser(Checker *checker, const std::wstring &userLanguage, int dpi)
{
    ReleaseLoad();
    launcher.mainWindow = checker->window;
    StartDiscLoad(checker->options.section.c_str(), userLanguage.c_str());
    checker->userLanguage = userLanguage;

    SIZE outer = {};
    LoadBackground(checker->window, &outer, dpi);
    // At a scale the frame is the one the launcher gets at that DPI, not this
    // display's.
    bool scaled = dpi != BASE_DPI || !checker->options.scales.empty();
    checker->client = scaled ? ClientSizeFor(outer) : ClientAreaFor(checker->window, outer);
    LoadSlotsAndColors();
    return launcher.language;
}
