// What screen readers and users with low vision get of the language now
// loaded: a name for every shown button, and labels that stand out.
#include "accessibility_checks.h"
#include "checker.h"
#include "entries.h"
#include "preview.h"

#include "config/command_table.h"
#include "config/config_names.h"
#include "state/launcher_state.h"

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

enum {
    // The least contrast WCAG 2 asks of text, in tenths, and the share of a
    // label's pixels allowed below it, in percent.
    LEAST_CONTRAST_TENTHS = 45,
    LOW_CONTRAST_PERCENT = 5,
};

// A ratio cut (never rounded up) to one decimal.
static std::wstring RatioText(double ratio)
{
    int tenths = static_cast<int>(ratio * 10);
    return Number(tenths / 10) + L"." + Number(tenths % 10) + L":1";
}

// Warns on the colour's line when too many pixels of the background under
// the label give too little contrast with the label's colour.
static void CheckLabelContrast(Checker *checker, const std::vector<DWORD> &background, int index,
                               bool lit)
{
    const wchar_t *key = lit ? KEY_HI_COLOR : KEY_LO_COLOR;
    COLORREF color = lit ? launcher.hiColor : launcher.loColor;
    RECT client = {0, 0, checker->client.cx, checker->client.cy}, area;
    if (!IntersectRect(&area, &CommandTable[index].labelRect, &client))
        return;
    long long low = 0, total = 0;
    double lowest = 21;
    for (int y = area.top; y < area.bottom; y++) {
        for (int x = area.left; x < area.right; x++) {
            DWORD p = background[static_cast<size_t>(y) * client.right + x];
            double ratio = ContrastRatio(color, RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
            total++;
            if (ratio * 10 < LEAST_CONTRAST_TENTHS) {
                low++;
                lowest = ratio < lowest ? ratio : lowest;
            }
        }
    }
    if (low * 100 <= total * LOW_CONTRAST_PERCENT)
        return;
    Say(checker, LineOf(checker->scan, launcher.activeSection, key), LEVEL_WARNING,
        L"%1's %2 in %3 %4 has less than 4.5:1 contrast with the background under it on %5 % of "
        L"its pixels, down to %6 (%7)",
        {SlotKey(index), lit ? L"lit label" : L"label", key, ColorText(color),
         Number((low * 100 + total - 1) / total), RatioText(lowest), launcher.language});
}

void CheckAccessibility(Checker *checker)
{
    std::vector<DWORD> background = PaintBackgroundPixels(checker->client);
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (!CommandTable[i].defined)
            continue;
        wchar_t spoken[TEXT_CAPACITY];
        MakeSpokenLabel(CommandTable[i].label, spoken);
        if (!spoken[0]) {
            std::wstring key = SlotKey(i);
            int line = EntryLine(checker->scan, launcher.labelSection, key.c_str());
            Say(checker, line ? line : LineOf(checker->scan, launcher.buttonSection, key.c_str()),
                LEVEL_WARNING,
                L"%1 is shown without label text: a screen reader announces it as a button "
                L"without a name (%2)",
                {key, launcher.language});
            continue;
        }
        if (!background.empty()) {
            CheckLabelContrast(checker, background, i, false);
            CheckLabelContrast(checker, background, i, true);
        }
    }
}
