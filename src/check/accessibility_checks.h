// What readers and users of high contrast get: the buttons' names, and how far
// labels stand out from what lies under them, as WCAG 2 measures it.
#pragma once

#include <windows.h>

// The contrast ratio of two colours: (L1 + 0.05) / (L2 + 0.05) of the lighter
// and the darker relative luminance, from 1 (the same) to 21 (black and white).
double ContrastRatio(COLORREF a, COLORREF b);

struct Checker;
// Every shown button's spoken name, and its label's contrast with the background.
void CheckAccessibility(Checker *checker);
