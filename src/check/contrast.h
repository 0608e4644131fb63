// How far text stands out from what lies under it, as WCAG 2 measures it.
#pragma once

#include <windows.h>

// The contrast ratio of two colours: (L1 + 0.05) / (L2 + 0.05) of the lighter
// and the darker relative luminance, from 1 (the same) to 21 (black and white).
double ContrastRatio(COLORREF a, COLORREF b);
