// The launcher window: creation, painting, hover and keys.
#pragma once

#include "../state/launcher_state.h"

#include <windows.h>

// An overlapped window, so it gets a title bar; it cannot be maximized or resized.
enum : DWORD { LAUNCHER_WINDOW_STYLE = WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX };

// Registers the class, creates, sizes and shows the window, starts the intro
// sound. Null when the class or the window cannot be made. Another class name
// gives a window that the single-instance rule does not see.
HWND CreateLauncherWindow(const wchar_t *className = LAUNCHER_CLASS);

// The file named by Icon, read straight behind the source root into the room
// it leaves, so a long name is cut rather than refused. 0 when there is no Icon.
int ReadIconPath(wchar_t *path);

// The first large icon of the file named by Icon; null when there is none.
HICON ExtractConfiguredIcon();

// The layout of a new window: reads UseSmallFont and Bitmap, loads the
// background (the built-in bitmap, with its margins, when none loads), sets
// the background fields of `launcher` and gives the window's outer size. All
// at `dpi`, or at the window's own DPI when it is 0.
void LoadBackground(HWND window, SIZE *outerSize, int dpi = 0);

// LoadBackground for a window on the screen, whose frame the system draws at
// its monitor's DPI: at the display's own scale (`dpi` 0) the window is laid
// out at the largest scale at which it fits the monitor's work area.
void LayOutShownWindow(HWND window, SIZE *outerSize, int dpi);

// The background, the label font and the outer size made again at
// `launcher.dpi` from the file that LoadBackground found.
void LayOutBackground(HWND window, SIZE *outerSize);

// The outer size of the window as laid out, at `dpi` in a frame drawn at `dpi`.
SIZE OuterSizeAt(int dpi);

// The client area of the launcher's frame of outer size `outer` at `launcher.dpi`.
SIZE ClientSizeFor(SIZE outer);

// What every reload reads: the slots, then the background, label and hot
// label colours.
void LoadSlotsAndColors();

// The files that the window reads from the disc up to its first paint, in the
// order it reads them: the Icon, the Bitmap, then each defined slot's normal
// and hot image. `take` gets each full path with the section and key that
// name it. Needs the slots loaded.
typedef void (*TakeDiscFile)(void *context, const wchar_t *path, const wchar_t *section,
                             const wchar_t *key);
void ListFirstPaintFiles(TakeDiscFile take, void *context);
