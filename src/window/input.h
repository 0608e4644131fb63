// The window procedure's handlers of pointer and keyboard messages; lParam and
// wParam as received.
#pragma once

#include <windows.h>

LRESULT HandleHitTest(HWND window, WPARAM wParam, LPARAM lParam);
void HandleButtonDown(HWND window, LPARAM lParam);
void HandleButtonUp(HWND window, LPARAM lParam);
void HandleKeyDown(HWND window, WPARAM key);

// Where Down (or Tab) and Up (or Shift+Tab) move the highlight from slot `hot`
// (-1: none is lit) while `shownCount` slots are shown; -1 lights none.
int NextKeyStop(int hot, int shownCount, UINT key);

// Moves the highlight to the slot under the client point (x, y).
void UpdateHover(HWND window, int x, int y);
