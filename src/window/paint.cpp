#include "paint.h"

#include "../config/command_table.h"
#include "../config/config_values.h"
#include "../config/layout.h"
#include "../state/launcher_state.h"

enum { BUILT_IN_BACKGROUND_OFFSET = 8 };

// How a picture is put on the window: copied, with its colour key left out,
// or blended by its alpha.
enum BlitKind { BLIT_COPY, BLIT_KEYED, BLIT_BLENDED };

// Draws `bitmap` from srcX, srcY at x, y, cx x cy, selected into a memory DC
// of its own for the time of the blit.
static BOOL Blit(HDC dc, int x, int y, int cx, int cy, HBITMAP bitmap, int srcX, int srcY,
                 BlitKind kind, COLORREF colorKey = 0)
{
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return FALSE;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL result;
    if (kind == BLIT_KEYED) {
        result = GdiTransparentBlt(dc, x, y, cx, cy, memory, srcX, srcY, cx, cy, colorKey);
    } else if (kind == BLIT_BLENDED) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        result = GdiAlphaBlend(dc, x, y, cx, cy, memory, srcX, srcY, cx, cy, blend);
    } else {
        result = BitBlt(dc, x, y, cx, cy, memory, srcX, srcY, SRCCOPY);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    return result;
}

BOOL DrawBlendedImage(HDC dc, int x, int y, int cx, int cy, HBITMAP bitmap)
{
    // The blend refuses a source larger than the picture; the picture's own part is drawn.
    BITMAP size = {};
    if (!GetObjectW(bitmap, sizeof size, &size))
        return FALSE;
    cx = cx < size.bmWidth ? cx : size.bmWidth;
    cy = cy < size.bmHeight ? cy : size.bmHeight;
    if (cx <= 0 || cy <= 0)
        return FALSE;
    return Blit(dc, x, y, cx, cy, bitmap, 0, 0, BLIT_BLENDED);
}

BOOL DrawImage(HDC dc, int x, int y, int cx, int cy, HBITMAP bitmap, int srcX, int srcY,
               COLORREF colorKey)
{
    // Black cannot be a colour key: 0 means the image has none.
    return Blit(dc, x, y, cx, cy, bitmap, srcX, srcY, colorKey ? BLIT_KEYED : BLIT_COPY, colorKey);
}

void DrawLabel(HDC dc, int x, int y, const wchar_t *text, int length)
{
    int marker = FindLabelBreak(text, length);
    if (marker < 0) {
        TextOutW(dc, x, y, text, length);
        return;
    }
    TextOutW(dc, x, y, text, marker);
    TextOutW(dc, x, AddClamped(y, launcher.labelLineHeight), text + marker + 2,
             length - marker - 2);
}

enum {
    // Glyphs may reach a pixel past the measured label; the highlight covers them.
    HIGHLIGHT_MARGIN = 1,
    FOCUS_MARGIN = 3,
};

void GetSlotBounds(int index, RECT *bounds)
{
    UnionRect(bounds, &CommandTable[index].labelRect, &CommandTable[index].buttonRect);
}

void GetFocusBounds(int index, RECT *bounds)
{
    GetSlotBounds(index, bounds);
    // Clear of the image and the highlight, with a pixel between.
    int margin = ScaleLayout(FOCUS_MARGIN);
    SetRect(bounds, AddClamped(bounds->left, -margin), AddClamped(bounds->top, -margin),
            AddClamped(bounds->right, margin), AddClamped(bounds->bottom, margin));
}

static COLORREF ChooseLabelColor(int hot)
{
    if (launcher.highContrast)
        return GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    return hot ? launcher.hiColor : launcher.loColor;
}

static void PaintSlot(HDC dc, int index)
{
    const CommandSlot &slot = CommandTable[index];
    int length = lstrlenW(slot.label);
    int hot = index == launcher.hotIndex;

    // A shadow would blur the system's contrast.
    if (!launcher.highContrast) {
        int offset = ScaleLayout(1);
        SetTextColor(dc, launcher.bkgColor);
        DrawLabel(dc, AddClamped(slot.labelRect.left, offset),
                  AddClamped(slot.labelRect.top, offset), slot.label, length);
    }

    SetTextColor(dc, ChooseLabelColor(hot));
    HBITMAP image = hot ? slot.hotImage : slot.normalImage;
    if (image && !hot && slot.normalBlended)
        DrawBlendedImage(dc, slot.buttonRect.left, slot.buttonRect.top, slot.width, slot.height,
                         image);
    else if (image)
        DrawImage(dc, slot.buttonRect.left, slot.buttonRect.top, slot.width, slot.height, image, 0,
                  0, hot ? 0 : slot.normalTransparent);

    if (launcher.highContrast && hot) {
        RECT highlight = slot.labelRect;
        InflateRect(&highlight, ScaleLayout(HIGHLIGHT_MARGIN), ScaleLayout(HIGHLIGHT_MARGIN));
        FillRect(dc, &highlight, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    DrawLabel(dc, slot.labelRect.left, slot.labelRect.top, slot.label, length);
}

void PaintBackground(HDC dc)
{
    if (launcher.highContrast) {
        RECT area;
        if (GetClipBox(dc, &area) != ERROR)
            FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    if (launcher.background) {
        int origin = launcher.defaultBackground ? ScaleLayout(BUILT_IN_BACKGROUND_OFFSET) : 0;
        // The built-in area is larger than its bitmap; the blit draws only the
        // bitmap's own pixels and the erased margins keep the class brush.
        Blit(dc, origin, origin, launcher.backgroundWidth, launcher.backgroundHeight,
             launcher.background, 0, 0, BLIT_COPY);
    }
}

void PaintLauncher(HDC dc)
{
    HGDIOBJ previousFont = SelectLabelFont(dc);

    PaintBackground(dc);
    SetBkMode(dc, TRANSPARENT);
    launcher.visibleCount = CountShownSlots();
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (CommandTable[i].defined)
            PaintSlot(dc, i);
    }

    int hot = launcher.hotIndex;
    if (launcher.highContrast && hot >= 0 && hot < SLOT_COUNT && CommandTable[hot].defined) {
        RECT focus;
        GetFocusBounds(hot, &focus);
        DrawFocusRect(dc, &focus);
    }

    if (previousFont)
        SelectObject(dc, previousFont);
}
