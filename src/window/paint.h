// Painting the launcher: the background, the slots' images and labels, and
// where each slot lies.
#pragma once

#include <windows.h>

BOOL DrawImage(HDC dc, int x, int y, int cx, int cy, HBITMAP bitmap, int srcX, int srcY,
               COLORREF colorKey);
// Draws the top left cx x cy of a picture with premultiplied alpha.
BOOL DrawBlendedImage(HDC dc, int x, int y, int cx, int cy, HBITMAP bitmap);
void DrawLabel(HDC dc, int x, int y, const wchar_t *text, int length);

// Paints the background and every defined slot onto `dc`; under high
// contrast in the system's colours, with a focus rectangle around the hot slot.
void PaintLauncher(HDC dc);

// The background alone, as PaintLauncher draws it under the slots.
void PaintBackground(HDC dc);

// The union of slot `index`'s label and button rectangles, in client coordinates.
void GetSlotBounds(int index, RECT *bounds);

// Where the focus rectangle of slot `index` lies: just outside its bounds.
void GetFocusBounds(int index, RECT *bounds);
