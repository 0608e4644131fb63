// Loads as the launcher does, for one user language after another.
#include "checker.h"

#include "config/command_table.h"
#include "config/config_values.h"
#include "startup/launcher_state.h"
#include "startup/startup.h"
#include "window/window.h"

#include <string.h>

static const wchar_t CHECK_WINDOW_CLASS[] = L"KT.AutorunCheck";

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
        if (SameName(entry.section, L"Languages") && seen.insert(FoldName(entry.key)).second)
            users.push_back(entry.key);
    }
    users.push_back(L"");
    return users;
}

void ReleaseLoad()
{
    ResetCommandTable();
    if (launcher.background)
        DeleteObject(launcher.background);
    if (launcher.labelFont)
        DeleteObject(launcher.labelFont);
    LauncherState disc = {};
    lstrcpyW(disc.iniPath, launcher.iniPath);
    lstrcpyW(disc.sourceRoot, launcher.sourceRoot);
    lstrcpyW(disc.volumeLabel, launcher.volumeLabel);
    memcpy(&launcher, &disc, sizeof launcher);
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
    launcher.instance = GetModuleHandleW(nullptr);
    CopyText(launcher.activeSection, TEXT_CAPACITY, checker->options.section.c_str());
    DetectProcessorToken();
    PrepareWindowState(userLanguage.c_str());
    checker->userLanguage = userLanguage;

    SIZE outer = {};
    LoadBackground(checker->window, &outer, dpi);
    // At a scale the frame is the one the launcher gets at that DPI, not this
    // display's.
    checker->client = checker->options.scales.empty() ? ClientAreaFor(checker->window, outer)
                                                      : ClientSizeFor(outer);
    launcher.mainWindow = checker->window;
    LoadSlotsAndColors();
    return launcher.language;
}
