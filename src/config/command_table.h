// The launcher's buttons: 30 slots keyed "cmd01" to "cmd30", loaded from the
// configuration in use.
#pragma once

#include "../startup/launcher_state.h"

#include <windows.h>

enum CommandKind : int {
    CMD_BROWSE = 0,
    CMD_EXE = 1,
    CMD_EXIT = 2,
    CMD_INSTALL = 3,
    CMD_UNINST = 4,
    CMD_WEB = 5,
};

enum { SLOT_COUNT = 30, ENTRY_CAPACITY = 520 };

struct CommandSlot {
    const wchar_t *key;
    CommandKind kind;
    wchar_t path[TEXT_CAPACITY];
    wchar_t arguments[TEXT_CAPACITY];
    wchar_t label[TEXT_CAPACITY];
    RECT labelRect;
    wchar_t normalImagePath[TEXT_CAPACITY];
    wchar_t hotImagePath[TEXT_CAPACITY];
    RECT buttonRect;
    HBITMAP normalImage;
    HBITMAP hotImage;
    int width;
    int height;
    COLORREF normalTransparent;
    int defined;
    const void *sound;
    UINT soundFlags;
    wchar_t soundPath[TEXT_CAPACITY];
};

extern CommandSlot CommandTable[SLOT_COUNT];

// Fills the slots from the configuration; never clears a field whose entry or
// token is missing. Needs `launcher.mainWindow`.
void LoadCommandTable();

// The names of the sections the loader reads, each of TEXT_CAPACITY characters:
// the commands, the labels and the buttons of the active section and language.
void BuildSlotSectionNames(wchar_t *definitions, wchar_t *labels, wchar_t *buttons);

// The built-in sounds, WAV images among the program's resources.
enum { INTRO_SOUND_ID = 200, CLICK_SOUND_ID = 201 };

// The bytes of built-in sound `id`, mapped for the life of the program; null
// when the program has no such resource.
const void *LoadSoundResource(int id);

// Resets kinds, sizes, texts and the defined flag, and deletes the bitmaps.
void ClearCommandTable();

// Puts every slot back as it is when the program starts (rectangles, colour
// keys and sounds included), deleting its bitmaps.
void ResetCommandTable();

// Whole-text, ASCII-case-insensitive keyword match; anything else is CMD_BROWSE.
CommandKind ParseCommandKind(const wchar_t *text);

// Completes a two-line label's rectangle from its left and top edges: the top
// moves up half a line (rounding toward zero) and the height is two lines.
void PlaceTwoLineLabel(RECT *rect, int widest, int lineHeight);

// Reads a whole BMP file and makes a bitmap compatible with `window`'s device
// context; null on any failure, a malformed file included.
HBITMAP LoadBitmapFile(const wchar_t *path, HWND window);

// The bitmap for a BMP file image of `size` bytes held in memory; null when
// the image is incomplete or the platform refuses it.
HBITMAP BitmapFromFileImage(const BYTE *data, DWORD size, HWND window);

// Checks that a BMP image of `size` bytes holds its headers, colour table and
// pixel bits inside those bytes. 1 when it does.
int IsBitmapImageComplete(const BYTE *data, DWORD size);
