#include "contrast.h"

#include <math.h>

// The light a channel of an sRGB colour gives, from 0 to 1.
static double LinearChannel(int value)
{
    double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

static double RelativeLuminance(COLORREF color)
{
    return 0.2126 * LinearChannel(GetRValue(color)) + 0.7152 * LinearChannel(GetGValue(color)) +
           0.0722 * LinearChannel(GetBValue(color));
}

double ContrastRatio(COLORREF a, COLORREF b)
{
    double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}
