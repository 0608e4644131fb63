// The window procedure's handlers of pointer and keyboard messages; lParam and
// wParam as received.
#pragma once

#include <windows.h>

LRESULT HandleHitTest(HWND window, WPARAM wParam, LPARAM lParam);
void HandleButtonDown(HWND window, LPARAM lParam);
void HandleButtonUp(HWND window, LPARAM lParam);
void HandleKeyDown(HWND window, WPARAM key);

// Moves the highlight to the slot under the client point (x, y).
void UpdateHover(HWND window, int x, int y);
