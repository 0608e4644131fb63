#include "layout.h"

#include "config_names.h"
#include "image_scale.h"

#include "../state/bounded_text.h"
#include "../state/launcher_state.h"

int ScaleLayout(int value)
{
    return ScaleToDpi(value, launcher.dpi);
}

int ReadUseSmallFont()
{
    if (!launcher.iniPath[0])
        return 0;
    return GetPrivateProfileIntW(launcher.activeSection, KEY_USE_SMALL_FONT, 0, launcher.iniPath);
}

// At any scale but 100 % on a 96-DPI system the stock raster fonts are not
// drawn at their size, so the labels take Tahoma there: every Windows from 7
// on has it in regular and bold, and it is close to the stock fonts in shape
// and width. Where it is missing the mapper puts another TrueType sans in its
// place, never a raster font.
static const wchar_t LABEL_FACE[] = L"Tahoma";
// Tahoma's line heights at 200 %, scaled to the window's DPI: the stock
// fonts' (16 pixels for System, 13 for MS Sans Serif with UseSmallFont) times
// two, and a pixel less for System, whose glyphs are a little narrower than
// Tahoma Bold's.
enum { SYSTEM_FACE_LINE_AT_200 = 31, SMALL_FACE_LINE_AT_200 = 26 };

void MakeLabelFont()
{
    if (launcher.labelFont)
        DeleteObject(launcher.labelFont);
    launcher.labelFont = nullptr;
    int dpi = launcher.dpi ? launcher.dpi : BASE_DPI;
    if (dpi == BASE_DPI && ReadSystemDpi() == BASE_DPI)
        return;
    LOGFONTW font = {};
    font.lfHeight = ScaleBetween(
        launcher.useSmallFont ? SMALL_FACE_LINE_AT_200 : SYSTEM_FACE_LINE_AT_200, dpi, DPI_200);
    font.lfWeight = launcher.useSmallFont ? FW_NORMAL : FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    // Grey anti-aliasing, not ClearType: the same pixels on every display.
    font.lfQuality = ANTIALIASED_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    CopyText(font.lfFaceName, LF_FACESIZE, LABEL_FACE);
    launcher.labelFont = CreateFontIndirectW(&font);
}

HGDIOBJ SelectLabelFont(HDC dc)
{
    if (launcher.labelFont)
        return SelectObject(dc, launcher.labelFont);
    if (launcher.useSmallFont)
        return SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    return nullptr;
}
