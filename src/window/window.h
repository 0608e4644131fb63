// The launcher window: creation, painting, hover and keys.
#pragma once

#include "../startup/launcher_state.h"

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
// the background fields of `launcher` and gives the window's outer size.
void LoadBackground(HWND window, SIZE *outerSize);

// What every reload reads: the slots, then the background, label and hot
// label colours.
void LoadSlotsAndColors();

