#include "checker.h"

#include "config/command_table.h"
#include "config/config_values.h"
#include "platform/platform.h"
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

static std::vector<std::wstring> KeysOf(const wchar_t *path, const wchar_t *section)
{
    std::vector<std::wstring> keys;
    std::vector<wchar_t> buffer(32768);
    DWORD length = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                            static_cast<DWORD>(buffer.size()), path);
    for (DWORD i = 0; i < length && buffer[i];) {
        keys.push_back(&buffer[i]);
        i += static_cast<DWORD>(keys.back().size()) + 1;
    }
    return keys;
}

std::vector<std::wstring> UserLanguagesToCheck(const Checker &checker)
{
    if (!checker.options.language.empty())
        return {checker.options.language};
    std::vector<std::wstring> users = KeysOf(checker.iniPath, L"Languages");
    users.push_back(L"");
    return users;
}

DWORD FullValueLength(const wchar_t *section, const wchar_t *key)
{
    std::vector<wchar_t> buffer(32768);
    return ReadConfigString(section, key, buffer.data(), static_cast<DWORD>(buffer.size()));
}

void ReleaseLoad()
{
    ResetCommandTable();
    if (launcher.background)
        DeleteObject(launcher.background);
    memset(&launcher, 0, sizeof launcher);
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

std::wstring LoadAsUser(Checker *checker, const std::wstring &userLanguage)
{
    ReleaseLoad();
    launcher.instance = GetModuleHandleW(nullptr);
    CopyText(launcher.iniPath, TEXT_CAPACITY, checker->iniPath);
    CopyText(launcher.sourceRoot, TEXT_CAPACITY, checker->sourceRoot);
    CopyText(launcher.volumeLabel, TEXT_CAPACITY, checker->volumeLabel);
    CopyText(launcher.activeSection, TEXT_CAPACITY, checker->options.section.c_str());
    DetectProcessorToken();

    ChooseLanguage(userLanguage.c_str());
    checker->userLanguage = userLanguage;

    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
    CopyText(launcher.sectionPrefix, TEXT_CAPACITY, launcher.activeSection);
    ReadCaption();

    SIZE outer = {};
    LoadBackground(checker->window, &outer);
    checker->client = ClientAreaFor(checker->window, outer);
    launcher.mainWindow = checker->window;
    LoadSlotsAndColors();
    return launcher.language;
}

std::wstring DefinitionsSection()
{
    return launcher.definitionSection;
}

std::wstring LabelSection()
{
    return launcher.labelSection;
}

std::wstring ButtonSection()
{
    return launcher.buttonSection;
}
