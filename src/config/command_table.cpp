#include "command_table.h"

#include "bitmap_file.h"
#include "config_names.h"
#include "config_values.h"
#include "image_scale.h"
#include "layout.h"

#include "../state/bounded_text.h"

#include <mmsystem.h>

CommandSlot CommandTable[SLOT_COUNT];

static const wchar_t SLOT_KEYS[SLOT_COUNT][6] = {
    L"cmd01", L"cmd02", L"cmd03", L"cmd04", L"cmd05", L"cmd06", L"cmd07", L"cmd08",
    L"cmd09", L"cmd10", L"cmd11", L"cmd12", L"cmd13", L"cmd14", L"cmd15", L"cmd16",
    L"cmd17", L"cmd18", L"cmd19", L"cmd20", L"cmd21", L"cmd22", L"cmd23", L"cmd24",
    L"cmd25", L"cmd26", L"cmd27", L"cmd28", L"cmd29", L"cmd30"};

static const wchar_t EMPTY_TEXT[] = L"";

enum { SOUND_RESOURCE_TYPE = 30 };

static int SetInitialTable()
{
    for (int i = 0; i < SLOT_COUNT; i++) {
        CommandTable[i].key = SLOT_KEYS[i];
        CommandTable[i].sound = EMPTY_TEXT;
    }
    return 1;
}

static const int tableInitialised = SetInitialTable();

const wchar_t *const COMMAND_KEYWORDS[COMMAND_KIND_COUNT] = {
    L"CMD_BROWSE", L"CMD_EXE", L"CMD_EXIT", L"CMD_INSTALL", L"CMD_UNINST", L"CMD_WEB"};

int FindCommandKind(const wchar_t *text)
{
    for (int kind = 0; text && kind < COMMAND_KIND_COUNT; kind++) {
        if (MatchesIgnoringAsciiCase(text, lstrlenW(text), COMMAND_KEYWORDS[kind]))
            return kind;
    }
    return -1;
}

CommandKind ParseCommandKind(const wchar_t *text)
{
    int kind = FindCommandKind(text);
    return kind < 0 ? CMD_BROWSE : static_cast<CommandKind>(kind);
}

int FindLabelBreak(const wchar_t *label, int length)
{
    for (int i = 0; i + 1 < length; i++) {
        if (label[i] == L'\\' && label[i + 1] == L'n')
            return i;
    }
    return -1;
}

int CountShownSlots()
{
    int shown = 0;
    for (const CommandSlot &slot : CommandTable)
        shown += slot.defined ? 1 : 0;
    return shown;
}

int FindShownPlace(int index)
{
    if (index < 0 || index >= SLOT_COUNT || !CommandTable[index].defined)
        return 0;
    int place = 0;
    for (int i = 0; i <= index; i++)
        place += CommandTable[i].defined ? 1 : 0;
    return place;
}

int FindShownSlot(int place)
{
    for (int i = 0; i < SLOT_COUNT && place > 0; i++) {
        if (CommandTable[i].defined && --place == 0)
            return i;
    }
    return -1;
}

void MakeSpokenLabel(const wchar_t *label, wchar_t *spoken)
{
    CopyText(spoken, TEXT_CAPACITY, label);
    int marker = FindLabelBreak(spoken, lstrlenW(spoken));
    if (marker >= 0) {
        spoken[marker] = L' ';
        MoveMemory(spoken + marker + 1, spoken + marker + 2,
                   (lstrlenW(spoken + marker + 2) + 1) * sizeof(wchar_t));
    }
    // Blanks at either end say nothing, and a line that is only blanks is no name.
    int length;
    const wchar_t *start = TrimBlanks(spoken, &length);
    MoveMemory(spoken, start, length * sizeof(wchar_t));
    spoken[length] = 0;
}

static void CopyToken(wchar_t (&field)[TEXT_CAPACITY], const wchar_t *token)
{
    if (token)
        CopyText(field, TEXT_CAPACITY, token);
}

static void ReplaceBitmap(HBITMAP *slotImage, HBITMAP image)
{
    if (*slotImage)
        DeleteObject(*slotImage);
    *slotImage = image;
}

static HBITMAP LoadSlotBitmap(const wchar_t *relativePath, COLORREF colorKey, int *blended)
{
    wchar_t fullPath[TEXT_CAPACITY];
    *blended = 0;
    if (!JoinSourcePath(fullPath, relativePath))
        return nullptr;
    return LoadBitmapForDpi(fullPath, launcher.mainWindow, launcher.dpi, colorKey, blended);
}

const void *LoadSoundResource(int id)
{
    HRSRC found = FindResourceW(launcher.instance, MAKEINTRESOURCEW(id),
                                MAKEINTRESOURCEW(SOUND_RESOURCE_TYPE));
    HGLOBAL loaded = found ? LoadResource(launcher.instance, found) : nullptr;
    return loaded ? LockResource(loaded) : nullptr;
}

// Completes labelRect from its left and top edges: one line, or two lines
// divided at the first "\n" with the top moved up half a line.
static void MeasureLabel(HDC dc, CommandSlot *slot)
{
    const wchar_t *label = slot->label;
    int marker = FindLabelBreak(label, lstrlenW(label));
    SIZE extent = {};
    if (marker < 0) {
        GetTextExtentPointW(dc, label, lstrlenW(label), &extent);
        slot->labelRect.right = AddClamped(slot->labelRect.left, extent.cx);
        slot->labelRect.bottom = AddClamped(slot->labelRect.top, extent.cy);
        return;
    }
    SIZE first = {};
    GetTextExtentPointW(dc, label, marker, &first);
    GetTextExtentPointW(dc, label + marker + 2, lstrlenW(label + marker + 2), &extent);
    PlaceTwoLineLabel(&slot->labelRect, first.cx > extent.cx ? first.cx : extent.cx, extent.cy);
    launcher.labelLineHeight = extent.cy;
}

void PlaceTwoLineLabel(RECT *rect, int widest, int lineHeight)
{
    rect->right = AddClamped(rect->left, widest);
    rect->top = AddClamped(rect->top, -(lineHeight / 2));
    rect->bottom = AddClamped(AddClamped(rect->top, lineHeight), lineHeight);
}

static void LoadLabel(HDC dc, CommandSlot *slot, wchar_t *entry)
{
    CommaTokenizer tokens = StartTokens(entry);
    slot->defined = 1;
    CopyToken(slot->label, NextToken(&tokens));
    slot->labelRect.left = ScaleLayout(ReadNumber(NextToken(&tokens)));
    slot->labelRect.top = ScaleLayout(ReadNumber(NextToken(&tokens)));
    MeasureLabel(dc, slot);
}

static void LoadButton(CommandSlot *slot, wchar_t *entry)
{
    CommaTokenizer tokens = StartTokens(entry);
    slot->defined = 1;
    CopyToken(slot->normalImagePath, NextToken(&tokens));
    CopyToken(slot->hotImagePath, NextToken(&tokens));
    int x = ScaleLayout(ReadNumber(NextToken(&tokens)));
    int y = ScaleLayout(ReadNumber(NextToken(&tokens)));
    slot->width = ScaleLayout(ReadNumber(NextToken(&tokens)));
    slot->height = ScaleLayout(ReadNumber(NextToken(&tokens)));
    slot->normalTransparent = ReadColorTokens(&tokens);
    SetRect(&slot->buttonRect, x, y, AddClamped(x, slot->width), AddClamped(y, slot->height));
    ReplaceBitmap(&slot->normalImage, LoadSlotBitmap(slot->normalImagePath, slot->normalTransparent,
                                                     &slot->normalBlended));
    // The hot image is always drawn opaque, key or not.
    int opaque;
    ReplaceBitmap(&slot->hotImage, LoadSlotBitmap(slot->hotImagePath, 0, &opaque));
}

static void LoadSound(CommandSlot *slot, const SectionKeys &buttons)
{
    wchar_t key[16];
    wchar_t entry[ENTRY_CAPACITY];
    JoinText(key, 16, slot->key, SOUND_KEY_SUFFIX);
    if (!ReadListedValue(buttons, key, entry, ENTRY_CAPACITY)) {
        const void *click = LoadSoundResource(CLICK_SOUND_ID);
        if (click) {
            slot->sound = click;
            slot->soundFlags = SND_ASYNC | SND_MEMORY;
        }
        return;
    }
    CommaTokenizer tokens = StartTokens(entry);
    const wchar_t *file = NextToken(&tokens);
    // Only commas: the sound stays as it was. A name that would not fit behind
    // the source root is left out the same way rather than cut.
    wchar_t soundPath[TEXT_CAPACITY];
    if (!file || !JoinSourcePath(soundPath, file))
        return;
    lstrcpyW(slot->soundPath, soundPath);
    slot->sound = slot->soundPath;
    slot->soundFlags = SND_ASYNC;
}

// Names the sections the loader reads in `launcher`: the commands, the labels
// and the buttons of the active section and language.
static void NameSlotSections()
{
    // A section name that does not fit is read as no section at all.
    JoinText(launcher.definitionSection, TEXT_CAPACITY, launcher.sectionPrefix,
             COMMANDS_SECTION_SUFFIX);
    JoinText3(launcher.labelSection, TEXT_CAPACITY, launcher.sectionPrefix, TEXTS_SECTION_INFIX,
              launcher.language);
    JoinText3(launcher.buttonSection, TEXT_CAPACITY, launcher.activeSection, BUTTONS_SECTION_INFIX,
              launcher.language);
}

void LoadCommandTable()
{
    HDC dc = GetDC(launcher.mainWindow);
    HGDIOBJ previousFont = SelectLabelFont(dc);

    NameSlotSections();
    StartFolderLooks();
    // Most of the 30 keys are usually absent: one list per section spares their reads.
    SectionKeys definitions, labels, buttons;
    ReadSectionKeys(launcher.definitionSection, &definitions);
    ReadSectionKeys(launcher.labelSection, &labels);
    ReadSectionKeys(launcher.buttonSection, &buttons);

    for (CommandSlot &slot : CommandTable) {
        wchar_t entry[ENTRY_CAPACITY];
        if (!ReadListedValue(definitions, slot.key, entry, ENTRY_CAPACITY))
            continue;
        CommaTokenizer tokens = StartTokens(entry);
        slot.kind = ParseCommandKind(NextToken(&tokens));
        CopyToken(slot.path, NextToken(&tokens));
        CopyToken(slot.arguments, NextToken(&tokens));

        if (ReadListedValue(labels, slot.key, entry, ENTRY_CAPACITY))
            LoadLabel(dc, &slot, entry);
        if (ReadListedValue(buttons, slot.key, entry, ENTRY_CAPACITY))
            LoadButton(&slot, entry);
        if (slot.defined)
            LoadSound(&slot, buttons);
    }

    EndFolderLooks();
    if (previousFont)
        SelectObject(dc, previousFont);
    ReleaseDC(launcher.mainWindow, dc);
}

void ClearCommandTable()
{
    for (CommandSlot &slot : CommandTable) {
        slot.kind = CMD_BROWSE;
        slot.width = 0;
        slot.height = 0;
        slot.defined = 0;
        slot.path[0] = 0;
        slot.arguments[0] = 0;
        slot.label[0] = 0;
        slot.normalImagePath[0] = 0;
        slot.hotImagePath[0] = 0;
        ReplaceBitmap(&slot.normalImage, nullptr);
        ReplaceBitmap(&slot.hotImage, nullptr);
        slot.normalBlended = 0;
    }
}

void ResetCommandTable()
{
    for (int i = 0; i < SLOT_COUNT; i++) {
        ReplaceBitmap(&CommandTable[i].normalImage, nullptr);
        ReplaceBitmap(&CommandTable[i].hotImage, nullptr);
        CommandTable[i] = CommandSlot{};
    }
    SetInitialTable();
}
