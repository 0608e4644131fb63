// The one global record of the running launcher.
#pragma once

#include <windows.h>

enum { TEXT_CAPACITY = 260, ARCH_TOKEN_CAPACITY = 8 };

// Private window messages, always posted, with wParam 0 and lParam 0 unless
// said otherwise.
enum : UINT {
    LM_RELOAD = WM_USER,
    LM_INSTALL_DONE = 0x8001,
    LM_UNINSTALL_DONE = 0x8002,
    // A screen reader pressed a button: wParam is the slot index.
    LM_PRESS_SLOT = 0x8003,
};

// What a load of the disc for one language reads; each load starts it afresh.
struct DiscLoad {
    wchar_t sectionPrefix[TEXT_CAPACITY];
    wchar_t language[TEXT_CAPACITY];
    // The slot sections of the last load: commands, labels, buttons.
    wchar_t definitionSection[TEXT_CAPACITY];
    wchar_t labelSection[TEXT_CAPACITY];
    wchar_t buttonSection[TEXT_CAPACITY];
    wchar_t caption[TEXT_CAPACITY];
    HBITMAP background;
    // The file of `background` (empty for the built-in one), read again at a new DPI.
    wchar_t backgroundPath[TEXT_CAPACITY];
    int defaultBackground;
    int backgroundWidth;
    int backgroundHeight;
    int useSmallFont;
    // The window's DPI (0 counts as 96): every place and size of the
    // configuration is given at 96 and taken to this.
    int dpi;
    // The label font made for `dpi`; null where the stock font is the one.
    HFONT labelFont;
    COLORREF hiColor;
    COLORREF loColor;
    COLORREF bkgColor;
    int labelLineHeight;
    int visibleCount;
};

// The window's own part: the pointer, the keys and the intro, which a load of
// the disc into an open window leaves as they are.
struct WindowRecord {
    HWND mainWindow;
    // The DPI the system draws the window's frame at, its monitor's; 0 where
    // that is `dpi` (the checker's previews at a scale).
    int frameDpi;
    // The user's high-contrast setting: paint in the system's colours.
    int highContrast;
    const void *introSound;
    DWORD quietUntil;
    int hotIndex;
    int pressedIndex;
    int captured;
    int lastHitX;
    int lastHitY;
};

struct LauncherState : DiscLoad, WindowRecord {
    HINSTANCE instance;
    wchar_t sourceRoot[TEXT_CAPACITY];
    wchar_t iniPath[TEXT_CAPACITY];
    wchar_t volumeLabel[TEXT_CAPACITY];
    wchar_t archToken[ARCH_TOKEN_CAPACITY];
    wchar_t activeSection[TEXT_CAPACITY];
    wchar_t appRegKeyValue[TEXT_CAPACITY];
    // Set by the author's tools: the disc's files may be saved by an editor
    // while they are read, so they are opened with every kind of sharing.
    int sharedReads;
    volatile LONG workerBusy; // touched only with Interlocked* calls
    wchar_t workerCommand[TEXT_CAPACITY];
    wchar_t workerParameters[TEXT_CAPACITY];
    // The installer's program as its command line names it, unquoted; with
    // `workerParameters` it starts the program again when it needs elevation.
    wchar_t workerProgram[TEXT_CAPACITY];
};

extern LauncherState launcher;

// Window class of the launcher; also the marker of a running instance.
extern const wchar_t LAUNCHER_CLASS[];

// A new window's record: nothing hot, pressed or captured yet.
void ResetWindowRecord();
