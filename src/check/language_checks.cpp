// Findings about the language now loaded: its sections, texts, and every
// slot's label, button, images, sound and place in the window.
#include "checker.h"

#include "config/command_table.h"
#include "config/config_values.h"
#include "startup/prerequisite.h"

static std::wstring ForLanguage()
{
    return std::wstring(L" (") + launcher.language + L")";
}

// The line that names the language: its key in [Languages], else DefaultLang.
static int LanguageLine(const Checker &checker)
{
    std::vector<const IniEntry *> listed =
        FindEntries(checker.scan, L"Languages", launcher.language);
    if (!listed.empty())
        return listed[0]->line;
    return LineOf(checker.scan, launcher.activeSection, L"DefaultLang");
}

// False when the language has neither of its slot sections (said once, here).
static bool CheckSections(Checker *checker)
{
    std::wstring labels = LabelSection(), buttons = ButtonSection();
    bool hasLabels = FindSection(checker->scan, labels.c_str()) != nullptr;
    bool hasButtons = FindSection(checker->scan, buttons.c_str()) != nullptr;
    int line = LanguageLine(*checker);
    std::wstring language = launcher.language;
    if (!hasLabels && !hasButtons)
        Say(&checker->report, line, LEVEL_ERROR,
            language + L" has neither [" + labels + L"] nor [" + buttons + L"]: its users see no " +
                L"caption, labels or buttons");
    else if (!hasLabels)
        Say(&checker->report, line, LEVEL_ERROR,
            language + L" has no [" + labels + L"]: its users see no caption and no labels");
    else if (!hasButtons)
        Say(&checker->report, line, LEVEL_ERROR,
            language + L" has no [" + buttons + L"]: its users see no button images");
    if (hasLabels && !launcher.caption[0])
        Say(&checker->report, SectionLine(checker->scan, labels.c_str()), LEVEL_WARNING,
            L"no Title in [" + labels + L"]: the window has no caption");
    return hasLabels || hasButtons;
}

// Insert and Dxmedia are filled with one text: the first "%s" is replaced and
// every other character is shown as it stands.
static void CheckFormatText(Checker *checker, int line, const wchar_t *key,
                            const std::wstring &value, const wchar_t *argument)
{
    bool placeholderSeen = false;
    std::wstring others;
    for (size_t i = 0; i + 1 < value.size(); i++) {
        if (value[i] != L'%')
            continue;
        std::wstring directive = value.substr(i, 2);
        if (directive == L"%s" && !placeholderSeen) {
            placeholderSeen = true;
        } else if (others.find(Quote(directive)) == std::wstring::npos) {
            others += (others.empty() ? L"" : L", ") + Quote(directive);
        }
        i++;
    }
    if (!others.empty())
        Say(&checker->report, line, LEVEL_WARNING,
            std::wstring(key) + L" holds " + others +
                L", shown as it stands: only the first \"%s\" is replaced, by " + argument);
}

static void CheckTexts(Checker *checker)
{
    std::wstring labels = LabelSection();
    ReadAsLauncher(checker, labels, L"Title", TEXT_CAPACITY);
    std::wstring insert = ReadAsLauncher(checker, labels, L"Insert", TEXT_CAPACITY);
    int insertLine = LineOf(checker->scan, labels.c_str(), L"Insert");
    CheckFormatText(checker, insertLine, L"Insert", insert, L"the disc's label");
    if (insert.empty() && IsKindShown(CMD_INSTALL) && FindSection(checker->scan, labels.c_str()))
        Say(&checker->report, insertLine, LEVEL_WARNING,
            L"no Insert in [" + labels + L"]: the prompt for a missing installer is empty");

    std::wstring runtime = ReadAsLauncher(checker, launcher.language, L"Dxmedia", DXMEDIA_CAPACITY);
    int runtimeLine = LineOf(checker->scan, launcher.language, L"Dxmedia");
    CheckFormatText(checker, runtimeLine, L"Dxmedia", runtime, L"the processor (X86)");
    wchar_t required[VERSION_CAPACITY];
    if (!ReadConfigString(launcher.activeSection, L"DirectXMedia", required, VERSION_CAPACITY))
        return;
    if (!FindSection(checker->scan, launcher.language)) {
        Say(&checker->report, LanguageLine(*checker), LEVEL_ERROR,
            std::wstring(launcher.language) + L" has no [" + launcher.language +
                L"] section: the media-runtime question is empty and Yes starts nothing");
        return;
    }
    if (ReadAsLauncher(checker, launcher.language, L"Nodxmedia", TEXT_CAPACITY).empty())
        Say(&checker->report, SectionLine(checker->scan, launcher.language), LEVEL_WARNING,
            L"no Nodxmedia in [" + std::wstring(launcher.language) +
                L"]: the question about the media runtime is empty");
    wchar_t commandLine[TEXT_CAPACITY];
    char ansi[WINEXEC_CAPACITY];
    if (runtime.empty()) {
        Say(&checker->report, SectionLine(checker->scan, launcher.language), LEVEL_ERROR,
            L"no Dxmedia in [" + std::wstring(launcher.language) +
                L"]: Yes to the media-runtime question starts nothing");
    } else if (!BuildRuntimeCommandLine(commandLine) ||
               !WideCharToMultiByte(CP_ACP, 0, commandLine, -1, ansi, WINEXEC_CAPACITY, nullptr,
                                    nullptr)) {
        Say(&checker->report, runtimeLine, LEVEL_ERROR,
            L"the media runtime's command line is longer than the launcher starts (" +
                Number(WINEXEC_CAPACITY - 1) + L" bytes with the disc root)");
    } else {
        std::wstring program = commandLine;
        if (!IsFileAt(program))
            program = program.substr(0, program.find(L' '));
        if (!IsFileAt(program))
            Say(&checker->report, runtimeLine, LEVEL_ERROR,
                L"the media runtime's installer is not on the disc: " + Quote(commandLine));
    }
}

static int LabelLine(const Checker &checker, int index)
{
    return LineOf(checker.scan, LabelSection().c_str(), SlotKey(index).c_str());
}

static int ButtonLine(const Checker &checker, int index)
{
    return LineOf(checker.scan, ButtonSection().c_str(), SlotKey(index).c_str());
}

static int DefinitionLine(const Checker &checker, int index)
{
    return LineOf(checker.scan, DefinitionsSection().c_str(), SlotKey(index).c_str());
}

static const wchar_t *TokenOrNull(const Fields &fields, size_t index)
{
    return index < fields.tokens.size() ? fields.tokens[index].c_str() : nullptr;
}

static void CheckLabel(Checker *checker, int index, const std::wstring &value)
{
    const CommandSlot &slot = CommandTable[index];
    std::wstring key = SlotKey(index);
    int line = LabelLine(*checker, index);
    Fields fields = SplitFields(value);
    if (fields.shifted)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L": an empty field is skipped and the later ones move up; read as the label " +
                Quote(slot.label) + L" at x " + Number(ReadNumber(TokenOrNull(fields, 1))) +
                L", y " + Number(ReadNumber(TokenOrNull(fields, 2))));
    if (fields.tokens.size() < 3)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" has " + FieldCount(fields.tokens.size()) +
                L"; a label takes text,x,y and the missing numbers are 0");
    else if (fields.tokens.size() > 3)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" has " + FieldCount(fields.tokens.size()) +
                L"; a label takes text,x,y and the rest is ignored (no field can hold a "
                L"comma)");
    CheckFieldLengths(checker, line, key, fields, 0, 1);
    const wchar_t *marker = wcsstr(slot.label, L"\\n");
    if (marker && wcsstr(marker + 2, L"\\n"))
        Say(&checker->report, line, LEVEL_WARNING,
            key + L": only the first \\n divides a label; the launcher draws the second one as "
                  L"the two characters \\n");
}

static std::wstring ImageState(const std::wstring &name, HBITMAP image, std::wstring *path)
{
    *path = DiscPath(name);
    if (image)
        return std::wstring();
    if (name.empty())
        return L"no file is named";
    if (path->empty())
        return L"its path is longer than 259 characters behind the disc root";
    if (!IsFileAt(*path))
        return L"it is not on the disc: " + Quote(*path) + BlankHint(name);
    return L"the launcher cannot load " + Quote(*path) + L" as a bitmap";
}

static void CheckImage(Checker *checker, int line, const std::wstring &what,
                       const std::wstring &name, HBITMAP image, const CommandSlot &slot)
{
    std::wstring path;
    std::wstring problem = ImageState(name, image, &path);
    if (!problem.empty()) {
        Say(&checker->report, line, LEVEL_ERROR, what + L": " + problem + L"; no image is drawn");
        return;
    }
    BITMAP size = {};
    GetObjectW(image, sizeof size, &size);
    if (size.bmWidth != slot.width || size.bmHeight != slot.height)
        Say(&checker->report, line, LEVEL_WARNING,
            what + L" is " + Number(size.bmWidth) + L" x " + Number(size.bmHeight) +
                L" pixels, but the entry gives " + Number(slot.width) + L" x " +
                Number(slot.height) + L": the launcher copies that size from its top-left corner");
}

static void CheckButton(Checker *checker, int index, const std::wstring &value)
{
    const CommandSlot &slot = CommandTable[index];
    std::wstring key = SlotKey(index);
    int line = ButtonLine(*checker, index);
    Fields fields = SplitFields(value);
    size_t count = fields.tokens.size();
    if (fields.shifted)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L": an empty field is skipped and the later ones move up; read as images " +
                Quote(slot.normalImagePath) + L" and " + Quote(slot.hotImagePath) + L" at " +
                RectText(slot.buttonRect.left, slot.buttonRect.top, slot.buttonRect.right,
                         slot.buttonRect.bottom));
    if (count < 6)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" has " + FieldCount(count) +
                L"; a button takes normal,hot,x,y,width,height and an optional colour key "
                L"red,green,blue; the missing numbers are 0");
    else if (count == 7 || count == 8)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L": the colour key has " + Number(count - 6) +
                L" of its 3 components; the missing ones are 0");
    else if (count > 9)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" has " + FieldCount(count) +
                L"; a button takes 9 and the rest is ignored (no field can hold a comma)");
    CheckFieldLengths(checker, line, key, fields, 0, 2);
    if (count > 6) {
        CheckColorFields(checker, line, key, fields, 6);
        if (!slot.normalTransparent)
            Say(&checker->report, line, LEVEL_WARNING,
                key + L": the colour key is 0,0,0, which means none: the normal image is drawn "
                      L"opaque");
    }
    if (slot.width <= 0 || slot.height <= 0)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L": the button is " + Number(slot.width) + L" x " + Number(slot.height) +
                L" pixels, so no image is drawn and the pointer never finds it");
    else {
        CheckImage(checker, line, key + L"'s normal image", slot.normalImagePath, slot.normalImage,
                   slot);
        CheckImage(checker, line, key + L"'s hot image", slot.hotImagePath, slot.hotImage, slot);
    }
}

static void CheckSound(Checker *checker, int index)
{
    const CommandSlot &slot = CommandTable[index];
    std::wstring key = SlotKey(index) + L"_sound";
    std::wstring value = ReadAsLauncher(checker, ButtonSection(), key.c_str(), ENTRY_CAPACITY);
    if (value.empty())
        return;
    int line = LineOf(checker->scan, ButtonSection().c_str(), key.c_str());
    if (!slot.defined) {
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" is never read: " + SlotKey(index) + L" is not shown" + ForLanguage());
        return;
    }
    Fields fields = SplitFields(value);
    if (fields.tokens.empty()) {
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" holds only commas: the slot gets no sound at all");
        return;
    }
    if (fields.tokens.size() > 1)
        Say(&checker->report, line, LEVEL_WARNING,
            key + L" has " + FieldCount(fields.tokens.size()) + L"; only the first is used");
    std::wstring path = DiscPath(fields.tokens[0]);
    if (path.empty())
        Say(&checker->report, line, LEVEL_ERROR,
            key + L": the path is longer than 259 characters behind the disc root; the slot keeps "
                  L"no sound of its own");
    else if (!IsFileAt(path))
        Say(&checker->report, line, LEVEL_ERROR,
            key + L": the sound is not on the disc: " + Quote(path) + BlankHint(fields.tokens[0]) +
                L"; Windows plays its default sound instead");
}

// The areas the pointer finds a slot in, with what they are called.
struct SlotArea {
    int index;
    const wchar_t *what;
    RECT rect;
    int line;
};

static std::vector<SlotArea> AreasOfShownSlots(const Checker &checker)
{
    std::vector<SlotArea> areas;
    std::wstring labels = LabelSection(), buttons = ButtonSection();
    for (int i = 0; i < SLOT_COUNT; i++) {
        const CommandSlot &slot = CommandTable[i];
        if (!slot.defined)
            continue;
        if (!IsRectEmpty(&slot.labelRect))
            areas.push_back(SlotArea{i, L"label", slot.labelRect, LabelLine(checker, i)});
        if (!IsRectEmpty(&slot.buttonRect))
            areas.push_back(SlotArea{i, L"button", slot.buttonRect, ButtonLine(checker, i)});
    }
    return areas;
}

static std::wstring AreaName(const SlotArea &area)
{
    return SlotKey(area.index) + L"'s " + area.what + L" " +
           RectText(area.rect.left, area.rect.top, area.rect.right, area.rect.bottom);
}

static void CheckGeometry(Checker *checker)
{
    RECT client = {0, 0, checker->client.cx, checker->client.cy};
    std::wstring size = Number(client.right) + L" x " + Number(client.bottom);
    std::vector<SlotArea> areas = AreasOfShownSlots(*checker);
    for (const SlotArea &area : areas) {
        RECT inside;
        if (!IntersectRect(&inside, &area.rect, &client))
            Say(&checker->report, area.line, LEVEL_ERROR,
                AreaName(area) + L" lies outside the window's client area (" + size +
                    L"): it is never seen" + ForLanguage());
        else if (!EqualRect(&inside, &area.rect))
            Say(&checker->report, area.line, LEVEL_WARNING,
                AreaName(area) + L" reaches outside the window's client area (" + size +
                    L"): it is cut off" + ForLanguage());
    }
    for (size_t b = 0; b < areas.size(); b++) {
        for (size_t a = 0; a < b; a++) {
            RECT common;
            if (areas[a].index == areas[b].index ||
                !IntersectRect(&common, &areas[a].rect, &areas[b].rect))
                continue;
            Say(&checker->report, areas[b].line, LEVEL_WARNING,
                AreaName(areas[b]) + L" overlaps " + AreaName(areas[a]) +
                    L": where they meet, the pointer lights " + SlotKey(areas[a].index) +
                    L" (the lower number wins) and " + SlotKey(areas[b].index) +
                    L" is painted on top" + ForLanguage());
        }
    }
}

// Up, Down and Tab step through the first as many slots as are shown.
static void CheckKeyboardOrder(Checker *checker)
{
    int shown = 0;
    for (const CommandSlot &slot : CommandTable)
        shown += slot.defined ? 1 : 0;
    std::vector<std::wstring> gaps;
    for (int i = 0; i < shown; i++) {
        if (!CommandTable[i].defined)
            gaps.push_back(SlotKey(i));
    }
    std::wstring hidden;
    for (size_t i = 0; i < gaps.size(); i++)
        hidden += (i == 0 ? L"" : i + 1 == gaps.size() ? L" and " : L", ") + gaps[i];
    hidden += gaps.size() == 1 ? L" is not shown" : L" are not shown";
    for (int i = shown; i < SLOT_COUNT; i++) {
        if (CommandTable[i].defined)
            Say(&checker->report, DefinitionLine(*checker, i), LEVEL_WARNING,
                SlotKey(i) +
                    L" is shown, but Up, Down and Tab never reach it: they step through "
                    L"cmd01 to " +
                    SlotKey(shown - 1) + L" (as many as are shown), where " + hidden +
                    ForLanguage());
    }
}

void CheckLoadedLanguage(Checker *checker)
{
    bool hasSections = CheckSections(checker);
    CheckTexts(checker);
    std::wstring definitions = DefinitionsSection();
    std::wstring labels = LabelSection(), buttons = ButtonSection();
    for (int i = 0; i < SLOT_COUNT; i++) {
        std::wstring key = SlotKey(i);
        wchar_t scratch[ENTRY_CAPACITY];
        bool hasCommand =
            ReadConfigString(definitions.c_str(), key.c_str(), scratch, ENTRY_CAPACITY);
        std::wstring label = ReadAsLauncher(checker, labels, key.c_str(), ENTRY_CAPACITY);
        std::wstring button = ReadAsLauncher(checker, buttons, key.c_str(), ENTRY_CAPACITY);
        if (!hasCommand && !label.empty())
            Say(&checker->report, LabelLine(*checker, i), LEVEL_WARNING,
                key + L" has a label but no entry in [" + definitions + L"]: it is never shown");
        if (!hasCommand && !button.empty())
            Say(&checker->report, ButtonLine(*checker, i), LEVEL_WARNING,
                key + L" has a button but no entry in [" + definitions + L"]: it is never shown");
        if (hasCommand && !CommandTable[i].defined && hasSections)
            Say(&checker->report, DefinitionLine(*checker, i), LEVEL_WARNING,
                key + L" is defined but has neither a label in [" + labels +
                    L"] nor a button in [" + buttons + L"]: it is never shown");
        if (hasCommand && !label.empty())
            CheckLabel(checker, i, label);
        if (hasCommand && !button.empty())
            CheckButton(checker, i, button);
        CheckSound(checker, i);
    }
    CheckGeometry(checker);
    CheckKeyboardOrder(checker);
    CheckUnknownKeys(checker, labels, {L"Title", L"Insert"}, true, false);
    CheckUnknownKeys(checker, buttons, {}, true, true);
    CheckUnknownKeys(checker, launcher.language, {L"Nodxmedia", L"Dxmedia"}, false, false);
}
