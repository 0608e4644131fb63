#include "window.h"

#include "accessibility.h"
#include "input.h"

#include "../commands/commands.h"
#include "../config/bitmap_file.h"
#include "../config/command_table.h"
#include "../config/config_values.h"
#include "../platform/platform.h"
#include "../startup/launcher_state.h"
#include "../startup/startup.h"

#include <mmsystem.h>
#include <shellapi.h>

enum : DWORD { QUIET_PERIOD_MS = 7000 };

enum {
    ICON_ID = 1003,
    BACKGROUND_ID = 1005,
    // Margins around the built-in background, which is drawn at (8, 8).
    BUILT_IN_EXTRA_WIDTH = 20,
    BUILT_IN_EXTRA_HEIGHT = 35,
};

static LRESULT CALLBACK LauncherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int ReadIconPath(wchar_t *path)
{
    CopyText(path, TEXT_CAPACITY, launcher.sourceRoot);
    int rootLength = lstrlenW(path);
    return ReadConfigString(launcher.activeSection, L"Icon", path + rootLength,
                            TEXT_CAPACITY - rootLength) != 0;
}

HICON ExtractConfiguredIcon()
{
    wchar_t path[TEXT_CAPACITY];
    HICON icon = nullptr;
    if (ReadIconPath(path))
        os.ExtractIconExW(path, 0, &icon, nullptr, 1);
    return icon;
}

// Whether the user asked for high contrast.
static int ReadHighContrast()
{
    HIGHCONTRASTW setting = {};
    setting.cbSize = sizeof setting;
    return os.SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON);
}

HWND CreateLauncherWindow(const wchar_t *className)
{
    HICON extracted = ExtractConfiguredIcon();
    HICON icon = extracted ? extracted : LoadIconW(launcher.instance, MAKEINTRESOURCEW(ICON_ID));
    launcher.introSound = LoadSoundResource(INTRO_SOUND_ID);
    launcher.highContrast = ReadHighContrast();

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = launcher.instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass)) {
        // A registered class owns its icon; this one never got an owner.
        if (extracted)
            DestroyIcon(extracted);
        return nullptr;
    }

    // Sized, centred and shown while it handles WM_CREATE.
    HWND window =
        CreateWindowExW(0, className, launcher.caption, LAUNCHER_WINDOW_STYLE, CW_USEDEFAULT, 0,
                        CW_USEDEFAULT, 0, nullptr, nullptr, launcher.instance, nullptr);
    if (!window)
        return nullptr;

    os.sndPlaySoundW(static_cast<LPCWSTR>(launcher.introSound), SND_ASYNC | SND_MEMORY);
    launcher.quietUntil = os.GetTickCount() + QUIET_PERIOD_MS;
    launcher.mainWindow = window;
    return window;
}

static void CenterWindowSized(HWND window, int cx, int cy)
{
    int x = (GetSystemMetrics(SM_CXFULLSCREEN) - cx) / 2;
    int y = (GetSystemMetrics(SM_CYFULLSCREEN) - cy) / 2;
    SetWindowPos(window, nullptr, x, y, cx, cy, SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER);
}

static int ReadBackgroundPath(wchar_t *path)
{
    wchar_t name[TEXT_CAPACITY];
    if (!ReadConfigString(launcher.activeSection, L"Bitmap", name, TEXT_CAPACITY))
        return 0;
    // A path that does not fit behind the source root counts as no Bitmap key.
    return JoinSourcePath(path, name);
}

static HBITMAP LoadConfiguredBackground(HWND window)
{
    wchar_t path[TEXT_CAPACITY];
    return ReadBackgroundPath(path) ? LoadBitmapFile(path, window) : nullptr;
}

void ListFirstPaintFiles(TakeDiscFile take, void *context)
{
    wchar_t path[TEXT_CAPACITY];
    // The icon as the class is registered, the background as the window is created.
    if (ReadIconPath(path))
        take(context, path, launcher.activeSection, L"Icon");
    if (ReadBackgroundPath(path))
        take(context, path, launcher.activeSection, L"Bitmap");
    // Then the slots, as the reload posted at creation loads them.
    for (const CommandSlot &slot : CommandTable) {
        const wchar_t *images[] = {slot.normalImagePath, slot.hotImagePath};
        for (const wchar_t *image : images) {
            if (slot.defined && image[0] && JoinSourcePath(path, image))
                take(context, path, launcher.buttonSection, slot.key);
        }
    }
}

static int ReadUseSmallFont()
{
    if (!launcher.iniPath[0])
        return 0;
    return GetPrivateProfileIntW(launcher.activeSection, L"UseSmallFont", 0, launcher.iniPath);
}

void LoadBackground(HWND window, SIZE *outerSize)
{
    launcher.useSmallFont = ReadUseSmallFont();
    launcher.background = LoadConfiguredBackground(window);
    if (!launcher.background) {
        launcher.background = LoadBitmapW(launcher.instance, MAKEINTRESOURCEW(BACKGROUND_ID));
        launcher.defaultBackground = 1;
    }
    BITMAP size = {};
    GetObjectW(launcher.background, sizeof size, &size);

    if (launcher.defaultBackground) {
        launcher.backgroundWidth = size.bmWidth + BUILT_IN_EXTRA_WIDTH;
        launcher.backgroundHeight = size.bmHeight + BUILT_IN_EXTRA_HEIGHT;
        outerSize->cx = launcher.backgroundWidth;
        outerSize->cy = launcher.backgroundHeight + GetSystemMetrics(SM_CYCAPTION);
    } else {
        // The client area is exactly the configured bitmap.
        launcher.backgroundWidth = size.bmWidth;
        launcher.backgroundHeight = size.bmHeight;
        outerSize->cx = size.bmWidth + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
        outerSize->cy =
            size.bmHeight + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    }
}

static void LayOutWindow(HWND window)
{
    SIZE outerSize;
    LoadBackground(window, &outerSize);
    CenterWindowSized(window, outerSize.cx, outerSize.cy);
    os.PostMessageW(window, LM_RELOAD, 0, 0);
}

// Installs `brush` as the class background and deletes the one it replaces.
static void ReplaceClassBrush(HWND window, HBRUSH brush)
{
    HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(
        SetClassLongPtrW(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush)));
    if (previous)
        DeleteObject(previous);
}

void LoadSlotsAndColors()
{
    LoadCommandTable();
    launcher.bkgColor = ReadColorKey(L"BkgColor");
    launcher.hiColor = ReadColorKey(L"HiColor");
    launcher.loColor = ReadColorKey(L"LoColor");
}

static void ReloadLauncher(HWND window)
{
    LoadSlotsAndColors();
    ReplaceClassBrush(window, CreateSolidBrush(launcher.bkgColor));
    SetWindowTextW(window, launcher.caption);
    InvalidateRect(window, nullptr, TRUE);
    NotifySlotsReloaded(window);
}

// Settings change often; only a change of high contrast needs a repaint, while
// new system colours always do.
static void FollowSystemColors(HWND window, int colorsChanged)
{
    int highContrast = ReadHighContrast();
    if (colorsChanged || highContrast != launcher.highContrast)
        InvalidateRect(window, nullptr, TRUE);
    launcher.highContrast = highContrast;
}

static void PaintWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    PaintLauncher(dc);
    EndPaint(window, &paint);
}

static void DeleteBitmap(HBITMAP *bitmap)
{
    if (*bitmap)
        DeleteObject(*bitmap);
    *bitmap = nullptr;
}

static void ReleaseWindowResources(HWND window)
{
    DeleteBitmap(&launcher.background);
    for (CommandSlot &slot : CommandTable) {
        DeleteBitmap(&slot.normalImage);
        DeleteBitmap(&slot.hotImage);
    }
    ReplaceClassBrush(window, nullptr);
    ReleaseAccessibility();
}

static LRESULT CALLBACK LauncherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        LayOutWindow(window);
        return 0;
    case WM_DESTROY:
        ReleaseWindowResources(window);
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SETFOCUS:
        NotifySlotFocus(window, launcher.hotIndex);
        return 0;
    case WM_SYSCOLORCHANGE:
        FollowSystemColors(window, 1);
        return 0;
    case WM_SETTINGCHANGE:
        FollowSystemColors(window, 0);
        return 0;
    case WM_GETOBJECT:
        return HandleGetObject(window, wParam, lParam);
    case WM_ENDSESSION:
        // Also when the session goes on: the copy must not outlive a shutdown.
        DeleteWorkingCopy();
        return 0;
    case WM_NCHITTEST:
        return HandleHitTest(window, wParam, lParam);
    case WM_KEYDOWN:
        HandleKeyDown(window, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        HandleButtonDown(window, lParam);
        return 0;
    case WM_LBUTTONUP:
        HandleButtonUp(window, lParam);
        return 0;
    case LM_RELOAD:
        ReloadLauncher(window);
        return 0;
    case LM_INSTALL_DONE:
        HandleInstallDone(window);
        return 0;
    case LM_UNINSTALL_DONE:
        HandleUninstallDone(window);
        return 0;
    case LM_PRESS_SLOT:
        HandlePressSlot(window, wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
