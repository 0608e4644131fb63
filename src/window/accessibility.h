// What screen readers see of the window: its client object, whose children are
// the shown slots, through Microsoft Active Accessibility.
#pragma once

#include <windows.h>

// WM_GETOBJECT: the client object for OBJID_CLIENT, the default answer otherwise.
LRESULT HandleGetObject(HWND window, WPARAM wParam, LPARAM lParam);

// LM_PRESS_SLOT: runs the slot as Enter would, if it is still shown.
void HandlePressSlot(HWND window, WPARAM slot);

// Tells screen readers that slot `index` has the keyboard focus, if it is shown.
void NotifySlotFocus(HWND window, int index);

// Tells screen readers that the children changed.
void NotifySlotsReloaded(HWND window);

// Tells screen readers that every shown slot has a new place and size.
void NotifySlotsMoved(HWND window);

// WM_DESTROY: cuts every client off the client object; later calls fail as
// disconnected, and later WM_GETOBJECT get the default answer.
void ReleaseAccessibility();

// After the message loop: leaves COM if a screen reader brought it in. Not
// before: a call that a reader made in time may still wait in the thread's
// queue, and COM would dispatch it into an apartment it has already left.
void LeaveAccessibility();
