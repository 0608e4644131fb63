#include "window.h"

#include "accessibility.h"
#include "input.h"
#include "paint.h"

#include "../commands/commands.h"
#include "../config/bitmap_file.h"
#include "../config/command_table.h"
#include "../config/config_names.h"
#include "../config/config_values.h"
#include "../config/image_scale.h"
#include "../config/layout.h"
#include "../platform/platform.h"
#include "../state/bounded_text.h"
#include "../state/launcher_state.h"
#include "../state/working_copy.h"

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
    return ReadConfigString(launcher.activeSection, KEY_ICON, path + rootLength,
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
    ResetWindowRecord();
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

// The work area of the monitor that `window` is on, or most of it.
static RECT ReadWorkArea(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    return monitor.rcWork;
}

static void CenterWindowSized(HWND window, int cx, int cy)
{
    POINT place = CenterInWorkArea(SIZE{cx, cy}, ReadWorkArea(window));
    SetWindowPos(window, nullptr, place.x, place.y, cx, cy,
                 SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER);
}

static void DeleteBitmap(HBITMAP *bitmap)
{
    if (*bitmap)
        DeleteObject(*bitmap);
    *bitmap = nullptr;
}

// The Bitmap key joined to the source root; empty when there is none or the
// joined path does not fit, which counts as no Bitmap key.
static void ReadBackgroundPath()
{
    wchar_t name[TEXT_CAPACITY];
    launcher.backgroundPath[0] = 0;
    if (ReadConfigString(launcher.activeSection, KEY_BITMAP, name, TEXT_CAPACITY))
        JoinSourcePath(launcher.backgroundPath, name);
}

void ListFirstPaintFiles(TakeDiscFile take, void *context)
{
    wchar_t path[TEXT_CAPACITY];
    // The icon as the class is registered, the background as the window is created.
    if (ReadIconPath(path))
        take(context, path, launcher.activeSection, KEY_ICON);
    ReadBackgroundPath();
    if (launcher.backgroundPath[0])
        take(context, launcher.backgroundPath, launcher.activeSection, KEY_BITMAP);
    // Then the slots, as the reload posted at creation loads them.
    for (const CommandSlot &slot : CommandTable) {
        const wchar_t *images[] = {slot.normalImagePath, slot.hotImagePath};
        for (const wchar_t *image : images) {
            if (slot.defined && image[0] && JoinSourcePath(path, image))
                take(context, path, launcher.buttonSection, slot.key);
        }
    }
}

// A frame metric at `dpi`; the system's own where that is the system's DPI.
static int ReadFrameMetric(int index, int dpi)
{
    int value = dpi != ReadSystemDpi() ? os.GetSystemMetricsForDpi(index, dpi) : 0;
    return value ? value : GetSystemMetrics(index);
}

static int FrameDpi()
{
    return launcher.frameDpi ? launcher.frameDpi : launcher.dpi ? launcher.dpi : BASE_DPI;
}

// The outer size of the window around `background` in a frame drawn at
// `frameDpi`. The built-in background's margins hold the side frames.
static SIZE FrameBackground(SIZE background, int frameDpi)
{
    int caption = ReadFrameMetric(SM_CYCAPTION, frameDpi);
    if (launcher.defaultBackground)
        return SIZE{background.cx, background.cy + caption};
    return SIZE{background.cx + 2 * ReadFrameMetric(SM_CXFIXEDFRAME, frameDpi),
                background.cy + caption + 2 * ReadFrameMetric(SM_CYFIXEDFRAME, frameDpi)};
}

SIZE OuterSizeAt(int dpi)
{
    int from = launcher.dpi ? launcher.dpi : BASE_DPI;
    SIZE background = {ScaleBetween(launcher.backgroundWidth, dpi, from),
                       ScaleBetween(launcher.backgroundHeight, dpi, from)};
    return FrameBackground(background, dpi);
}

// The built-in bitmap, resampled for the window's DPI like any picture
// without variants; its size at 96 DPI in *plain.
static HBITMAP LoadBuiltInBackground(SIZE *plain)
{
    HBITMAP bitmap = LoadBitmapW(launcher.instance, MAKEINTRESOURCEW(BACKGROUND_ID));
    BITMAP size = {};
    GetObjectW(bitmap, sizeof size, &size);
    plain->cx = size.bmWidth;
    plain->cy = size.bmHeight;
    int opaque;
    return ScaleBitmapBetween(bitmap, launcher.dpi, BASE_DPI, 0, &opaque);
}

void LayOutBackground(HWND window, SIZE *outerSize)
{
    DeleteBitmap(&launcher.background);
    MakeLabelFont();
    int opaque;
    launcher.defaultBackground = 0;
    if (launcher.backgroundPath[0])
        launcher.background =
            LoadBitmapForDpi(launcher.backgroundPath, window, launcher.dpi, 0, &opaque);
    SIZE plain = {};
    if (!launcher.background) {
        launcher.background = LoadBuiltInBackground(&plain);
        launcher.defaultBackground = 1;
    }
    BITMAP size = {};
    GetObjectW(launcher.background, sizeof size, &size);

    if (launcher.defaultBackground) {
        launcher.backgroundWidth = ScaleLayout(plain.cx + BUILT_IN_EXTRA_WIDTH);
        launcher.backgroundHeight = ScaleLayout(plain.cy + BUILT_IN_EXTRA_HEIGHT);
    } else {
        // The client area is exactly the configured bitmap.
        launcher.backgroundWidth = size.bmWidth;
        launcher.backgroundHeight = size.bmHeight;
    }
    *outerSize =
        FrameBackground(SIZE{launcher.backgroundWidth, launcher.backgroundHeight}, FrameDpi());
}

void LoadBackground(HWND window, SIZE *outerSize, int dpi)
{
    launcher.useSmallFont = ReadUseSmallFont();
    launcher.dpi = dpi ? dpi : ReadWindowDpi(window);
    ReadBackgroundPath();
    LayOutBackground(window, outerSize);
}

SIZE ClientSizeFor(SIZE outer)
{
    int dpi = FrameDpi();
    SIZE client = {outer.cx - 2 * ReadFrameMetric(SM_CXFIXEDFRAME, dpi),
                   outer.cy - ReadFrameMetric(SM_CYCAPTION, dpi) -
                       2 * ReadFrameMetric(SM_CYFIXEDFRAME, dpi)};
    return client;
}

// Where the window at `launcher.dpi` does not fit its monitor's work area,
// lays it out again at the largest scale that fits; 1 when it did.
static int FitToWorkArea(HWND window, SIZE *outerSize)
{
    RECT work = ReadWorkArea(window);
    SIZE scaled = {launcher.backgroundWidth, launcher.backgroundHeight};
    SIZE fixed = {outerSize->cx - scaled.cx, outerSize->cy - scaled.cy};
    int dpi =
        FitDpi(launcher.dpi, scaled, fixed, SIZE{work.right - work.left, work.bottom - work.top});
    if (dpi == launcher.dpi)
        return 0;
    launcher.dpi = dpi;
    LayOutBackground(window, outerSize);
    return 1;
}

void LayOutShownWindow(HWND window, SIZE *outerSize, int dpi)
{
    launcher.frameDpi = ReadWindowDpi(window);
    LoadBackground(window, outerSize, dpi);
    if (!dpi)
        FitToWorkArea(window, outerSize);
}

static void LayOutWindow(HWND window)
{
    SIZE outerSize;
    // A DPI set before creation is kept: the author's kit shows the window at a chosen scale.
    LayOutShownWindow(window, &outerSize, launcher.dpi);
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
    launcher.bkgColor = ReadColorKey(KEY_BKG_COLOR);
    launcher.hiColor = ReadColorKey(KEY_HI_COLOR);
    launcher.loColor = ReadColorKey(KEY_LO_COLOR);
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

// The window moved to a monitor of another scale, or the scale changed: the
// suggested rectangle keeps it where the user sees it, and the layout and the
// pictures are made again for the new DPI. The hot slot stays; screen
// readers are told where the slots now lie.
static void FollowDpiChange(HWND window, int dpi, const RECT *suggested)
{
    launcher.dpi = dpi;
    launcher.frameDpi = dpi;
    SIZE outer = {suggested->right - suggested->left, suggested->bottom - suggested->top};
    SIZE laidOut;
    LayOutBackground(window, &laidOut);
    // Too large for the new monitor: smaller, at the suggested place.
    if (FitToWorkArea(window, &laidOut))
        outer = laidOut;
    SetWindowPos(window, nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    LoadCommandTable();
    InvalidateRect(window, nullptr, TRUE);
    NotifySlotsMoved(window);
}

static void PaintWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    PaintLauncher(dc);
    EndPaint(window, &paint);
}

static void ReleaseWindowResources(HWND window)
{
    DeleteBitmap(&launcher.background);
    if (launcher.labelFont)
        DeleteObject(launcher.labelFont);
    launcher.labelFont = nullptr;
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
    case WM_DPICHANGED:
        FollowDpiChange(window, LOWORD(wParam), reinterpret_cast<const RECT *>(lParam));
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
