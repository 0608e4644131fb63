#include "input.h"
#include "accessibility.h"
#include "paint.h"

#include "../commands/commands.h"
#include "../config/command_table.h"
#include "../platform/platform.h"
#include "../state/launcher_state.h"

#include <windowsx.h>

static int SlotContains(int index, POINT point)
{
    return PtInRect(&CommandTable[index].labelRect, point) ||
           PtInRect(&CommandTable[index].buttonRect, point);
}

// The first slot in index order under the point, or -1.
static int FindSlotAt(POINT point)
{
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (SlotContains(i, point))
            return i;
    }
    return -1;
}

static POINT PointFromLParam(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return point;
}

// Silent while the intro sound plays; the ticks compare as unsigned 32-bit values.
static void PlaySlotSound(int index)
{
    if (static_cast<DWORD>(os.GetTickCount()) > launcher.quietUntil)
        os.sndPlaySoundW(static_cast<LPCWSTR>(CommandTable[index].sound),
                         CommandTable[index].soundFlags);
}

static void RepaintSlot(HWND window, int index)
{
    if (launcher.highContrast) {
        // The focus rectangle lies around both.
        RECT focus;
        GetFocusBounds(index, &focus);
        InvalidateRect(window, &focus, TRUE);
        return;
    }
    InvalidateRect(window, &CommandTable[index].buttonRect, TRUE);
    InvalidateRect(window, &CommandTable[index].labelRect, TRUE);
}

void UpdateHover(HWND window, int x, int y)
{
    POINT point = {x, y};
    int hit = FindSlotAt(point);
    if (hit == -1) {
        if (launcher.hotIndex != -1) {
            RepaintSlot(window, launcher.hotIndex);
            launcher.hotIndex = -1;
        }
        return;
    }
    if (hit == launcher.hotIndex)
        return;
    // While the button is held on another slot, that slot becomes hot silently
    // and keeps its normal form, so nothing looks ready to run.
    if (launcher.pressedIndex == -1 || launcher.pressedIndex == hit) {
        PlaySlotSound(hit);
        RepaintSlot(window, hit);
    }
    if (launcher.hotIndex != -1)
        RepaintSlot(window, launcher.hotIndex);
    launcher.hotIndex = hit;
}

LRESULT HandleHitTest(HWND window, WPARAM wParam, LPARAM lParam)
{
    LRESULT area = DefWindowProcW(window, WM_NCHITTEST, wParam, lParam);
    if (area != HTCLIENT)
        return area;
    POINT point = PointFromLParam(lParam);
    ScreenToClient(window, &point);
    // The platform asks again and again for the same point.
    if (point.x != launcher.lastHitX || point.y != launcher.lastHitY) {
        UpdateHover(window, point.x, point.y);
        launcher.lastHitX = point.x;
        launcher.lastHitY = point.y;
    }
    return area;
}

void HandleButtonDown(HWND window, LPARAM lParam)
{
    SetCapture(window);
    launcher.captured = 1;
    int hit = FindSlotAt(PointFromLParam(lParam));
    if (hit != -1)
        launcher.pressedIndex = hit;
}

void HandleButtonUp(HWND window, LPARAM lParam)
{
    if (launcher.captured)
        ReleaseCapture();
    launcher.captured = 0;
    if (launcher.pressedIndex == -1)
        return;
    POINT point = PointFromLParam(lParam);
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (!SlotContains(i, point))
            continue;
        if (i == launcher.pressedIndex)
            ExecuteCommand(window, i);
        else
            launcher.hotIndex = -1;
    }
    launcher.pressedIndex = -1;
}

// Keys step through 0 .. shownCount - 1, never leaving the table.
int NextKeyStop(int hot, int shownCount, UINT key)
{
    if (hot == -1)
        return 0;
    if (key == VK_DOWN)
        return hot == shownCount - 1 || hot == SLOT_COUNT - 1 ? 0 : hot + 1;
    return hot == 0 ? shownCount - 1 : hot - 1;
}

static void MoveHighlight(HWND window, UINT key)
{
    if (launcher.hotIndex != -1)
        RepaintSlot(window, launcher.hotIndex);
    int next = NextKeyStop(launcher.hotIndex, launcher.visibleCount, key);
    launcher.hotIndex = next;
    if (next != -1) {
        PlaySlotSound(next);
        RepaintSlot(window, next);
        NotifySlotFocus(window, next);
    }
}

void HandleKeyDown(HWND window, WPARAM key)
{
    switch (key) {
    case VK_TAB:
        SendMessageW(window, WM_KEYDOWN, GetKeyState(VK_SHIFT) < 0 ? VK_UP : VK_DOWN, 0);
        break;
    case VK_RETURN:
        if (launcher.hotIndex != -1)
            ExecuteCommand(window, launcher.hotIndex);
        break;
    case VK_UP:
    case VK_DOWN:
        MoveHighlight(window, static_cast<UINT>(key));
        break;
    }
}
