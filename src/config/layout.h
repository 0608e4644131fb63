// The window's layout at its DPI: the configuration's places and sizes, and
// the font its labels are measured and drawn in.
#pragma once

#include <windows.h>

// A place or size of the configuration, at 96 DPI, at the window's DPI.
int ScaleLayout(int value);

// UseSmallFont of the active section: the labels take the small font.
int ReadUseSmallFont();

// The label font for `launcher.dpi` and `useSmallFont` into `launcher.labelFont`.
void MakeLabelFont();

// Selects the label font into `dc`; the font it replaced, null when none was.
HGDIOBJ SelectLabelFont(HDC dc);
