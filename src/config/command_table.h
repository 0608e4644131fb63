// The launcher's buttons: 30 slots keyed "cmd01" to "cmd30", loaded from the
// configuration in use.
#pragma once

#include "../state/launcher_state.h"

#include <windows.h>

enum CommandKind : int {
    CMD_BROWSE = 0,
    CMD_EXE = 1,
    CMD_EXIT = 2,
    CMD_INSTALL = 3,
    CMD_UNINST = 4,
    CMD_WEB = 5,
};

enum { COMMAND_KIND_COUNT = 6, SLOT_COUNT = 30, ENTRY_CAPACITY = 520 };

// The fields of the slots' entries, as COLOR_FIELDS spells them: a command,
// a label, a button (its colour key last) and a sound.
inline constexpr wchar_t COMMAND_FIELDS[] = L"KTT";
inline constexpr wchar_t LABEL_FIELDS[] = L"TNN";
inline constexpr wchar_t BUTTON_FIELDS[] = L"TTNNNNCCC";
inline constexpr wchar_t SOUND_FIELDS[] = L"F";

// The keyword of each command kind, in the order of CommandKind.
extern const wchar_t *const COMMAND_KEYWORDS[COMMAND_KIND_COUNT];

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
    // The normal image was resampled with its colour key turned to transparency.
    int normalBlended;
    int defined;
    const void *sound;
    UINT soundFlags;
    wchar_t soundPath[TEXT_CAPACITY];
};

extern CommandSlot CommandTable[SLOT_COUNT];

// Fills the slots from the configuration; never clears a field whose entry or
// token is missing. Needs `launcher.mainWindow`.
void LoadCommandTable();

// The number of defined slots: the buttons shown, and the keys' round.
int CountShownSlots();

// Shown slots in slot order, counted from 1 (a screen reader's children):
// slot `index`'s place, 0 when it is not shown; the index at `place`, -1 when none.
int FindShownPlace(int index);
int FindShownSlot(int place);

// What a screen reader speaks for `label` (TEXT_CAPACITY characters): its two
// lines joined by a blank, without blanks at either end.
void MakeSpokenLabel(const wchar_t *label, wchar_t *spoken);

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

// The kind whose keyword is the whole `text`, ASCII case ignored; -1 for any
// other text or none.
int FindCommandKind(const wchar_t *text);

// FindCommandKind as the loader takes it: anything but a keyword is CMD_BROWSE.
CommandKind ParseCommandKind(const wchar_t *text);

// Where the first "\n" (backslash, n) within the first `length` characters of a
// label divides it into two lines; -1 when it is one line.
int FindLabelBreak(const wchar_t *label, int length);

// Completes a two-line label's rectangle from its left and top edges: the top
// moves up half a line (rounding toward zero) and the height is two lines.
void PlaceTwoLineLabel(RECT *rect, int widest, int lineHeight);
