// Findings about the language now loaded: its sections, texts, and every
// slot's label, button, images, sound and place in the window.
#include "language_checks.h"
#include "accessibility_checks.h"
#include "entries.h"
#include "file_checks.h"
#include "load.h"
#include "scale_checks.h"
#include "wave_format.h"

#include "config/command_table.h"
#include "config/config_names.h"
#include "config/config_values.h"
#include "config/image_scale.h"
#include "startup/prerequisite.h"
#include "state/launcher_state.h"
#include "window/input.h"

// The line that names the language: its key in [Languages], else DefaultLang.
static int LanguageLine(const Checker &checker)
{
    int listed = EntryLine(checker.scan, SECTION_LANGUAGES, launcher.language);
    return listed ? listed : LineOf(checker.scan, launcher.activeSection, KEY_DEFAULT_LANG);
}

// False when the language has neither of its slot sections (said once, here).
static bool CheckSections(Checker *checker)
{
    const wchar_t *labels = launcher.labelSection, *buttons = launcher.buttonSection;
    bool hasLabels = SectionLine(checker->scan, labels) != 0;
    bool hasButtons = SectionLine(checker->scan, buttons) != 0;
    int line = LanguageLine(*checker);
    if (!hasLabels && !hasButtons)
        Say(checker, line, LEVEL_ERROR,
            L"%1 has neither [%2] nor [%3]: its users see no caption, labels or buttons",
            {launcher.language, labels, buttons});
    else if (!hasLabels)
        Say(checker, line, LEVEL_ERROR, L"%1 has no [%2]: its users see no caption and no labels",
            {launcher.language, labels});
    else if (!hasButtons)
        Say(checker, line, LEVEL_ERROR, L"%1 has no [%2]: its users see no button images",
            {launcher.language, buttons});
    if (hasLabels && !launcher.caption[0])
        Say(checker, SectionLine(checker->scan, labels), LEVEL_WARNING,
            L"no Title in [%1]: the window has no caption", {labels});
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
        if (directive == L"%s" && !placeholderSeen)
            placeholderSeen = true;
        else if (others.find(Quote(directive)) == std::wstring::npos)
            others += (others.empty() ? L"" : L", ") + Quote(directive);
        i++;
    }
    if (!others.empty())
        Say(checker, line, LEVEL_WARNING,
            L"%1 holds %2, shown as it stands: only the first \"%s\" is replaced, by %3",
            {key, others, argument});
}

// The texts of the language: the insert prompt and the media-runtime question.
static void CheckTexts(Checker *checker)
{
    const IniScan &scan = checker->scan;
    const wchar_t *labels = launcher.labelSection, *language = launcher.language;
    ReadAsLauncher(checker, labels, KEY_TITLE, TEXT_CAPACITY);
    std::wstring insert = ReadAsLauncher(checker, labels, KEY_INSERT, TEXT_CAPACITY);
    int insertLine = LineOf(scan, labels, KEY_INSERT);
    CheckFormatText(checker, insertLine, KEY_INSERT, insert, L"the disc's label");
    if (insert.empty() && IsKindShown(CMD_INSTALL) && SectionLine(scan, labels))
        Say(checker, insertLine, LEVEL_WARNING,
            L"no Insert in [%1]: the prompt for a missing installer is empty", {labels});

    std::wstring runtime = ReadAsLauncher(checker, language, KEY_DXMEDIA, DXMEDIA_CAPACITY);
    int runtimeLine = LineOf(scan, language, KEY_DXMEDIA);
    CheckFormatText(checker, runtimeLine, KEY_DXMEDIA, runtime, L"the processor (X86)");
    wchar_t required[VERSION_CAPACITY];
    if (!ReadConfigString(launcher.activeSection, KEY_DIRECTX_MEDIA, required, VERSION_CAPACITY))
        return;
    if (!SectionLine(scan, language)) {
        Say(checker, LanguageLine(*checker), LEVEL_ERROR,
            L"%1 has no [%1] section: the media-runtime question is empty and Yes starts nothing",
            {language});
        return;
    }
    if (ReadAsLauncher(checker, language, KEY_NODXMEDIA, TEXT_CAPACITY).empty())
        Say(checker, SectionLine(scan, language), LEVEL_WARNING,
            L"no Nodxmedia in [%1]: the question about the media runtime is empty", {language});
    wchar_t commandLine[TEXT_CAPACITY];
    char ansi[WINEXEC_CAPACITY];
    if (runtime.empty()) {
        Say(checker, SectionLine(scan, language), LEVEL_ERROR,
            L"no Dxmedia in [%1]: Yes to the media-runtime question starts nothing", {language});
    } else if (!BuildRuntimeCommandLine(commandLine) || !ToWinExecCommandLine(commandLine, ansi)) {
        Say(checker, runtimeLine, LEVEL_ERROR,
            L"the media runtime's command line is longer than the launcher starts (%1 bytes with "
            L"the disc root)",
            {Number(WINEXEC_CAPACITY - 1)});
    } else {
        std::wstring program = commandLine;
        if (!DescribeFile(program).IsFile() &&
            !DescribeFile(program.substr(0, program.find(L' '))).IsFile())
            Say(checker, runtimeLine, LEVEL_ERROR,
                L"the media runtime's installer is not on the disc: %1", {Quote(commandLine)});
    }
}

// The line of slot `index`'s entry in `section`, else of the section.
static int SlotLine(const Checker &checker, const wchar_t *section, int index)
{
    return LineOf(checker.scan, section, SlotKey(index).c_str());
}

static void CheckLabel(Checker *checker, int index, const std::wstring &value)
{
    const CommandSlot &slot = CommandTable[index];
    std::wstring key = SlotKey(index);
    int line = SlotLine(*checker, launcher.labelSection, index);
    Fields fields = SplitFields(value);
    std::wstring x = Number(fields.tokens.size() > 1 ? ReadNumber(fields.tokens[1].c_str()) : 0);
    std::wstring y = Number(fields.tokens.size() > 2 ? ReadNumber(fields.tokens[2].c_str()) : 0);
    CheckEntry(checker, line, key, LABEL_ENTRY, fields,
               Fill(L"the label %1 at x %2, y %3", {Quote(slot.label), x, y}));
    int length = lstrlenW(slot.label);
    int first = FindLabelBreak(slot.label, length);
    if (first >= 0 && FindLabelBreak(slot.label + first + 2, length - first - 2) >= 0)
        Say(checker, line, LEVEL_WARNING,
            L"%1: only the first \\n divides a label; the launcher draws the second one as the "
            L"two characters \\n",
            {key});
}

static void CheckImage(Checker *checker, int line, const std::wstring &what,
                       const std::wstring &name, HBITMAP image, const CommandSlot &slot)
{
    BITMAP size = {};
    GetObjectW(image, sizeof size, &size);
    if (image && (size.bmWidth != slot.width || size.bmHeight != slot.height))
        Say(checker, line, LEVEL_WARNING,
            L"%1 is %2 x %3 pixels, but the entry gives %4 x %5: the launcher copies that size "
            L"from its top-left corner",
            {what, Number(size.bmWidth), Number(size.bmHeight), Number(slot.width),
             Number(slot.height)});
    else if (!image && name.empty())
        Say(checker, line, LEVEL_ERROR, L"%1: no file is named; no image is drawn", {what});
    else
        CheckFileUse(checker, line, what, name, FindOnDisc(name), IMAGE, image != nullptr);
    if (image)
        CheckScaleVariants(checker, line, what, name, FindOnDisc(name));
}

static void CheckButton(Checker *checker, int index, const std::wstring &value)
{
    const CommandSlot &slot = CommandTable[index];
    std::wstring key = SlotKey(index);
    int line = SlotLine(*checker, launcher.buttonSection, index);
    Fields fields = SplitFields(value);
    const RECT &rect = slot.buttonRect;
    CheckEntry(checker, line, key, BUTTON_ENTRY, fields,
               Fill(L"images %1 and %2 at %3",
                    {Quote(slot.normalImagePath), Quote(slot.hotImagePath), RectText(rect)}));
    if (fields.tokens.size() > 6) {
        CheckColorFields(checker, line, key, fields, 6);
        if (!slot.normalTransparent)
            Say(checker, line, LEVEL_WARNING,
                L"%1: the colour key is 0,0,0, which means none: the normal image is drawn "
                L"opaque",
                {key});
    }
    if (slot.width <= 0 || slot.height <= 0) {
        Say(checker, line, LEVEL_WARNING,
            L"%1: the button is %2 x %3 pixels, so no image is drawn and the pointer never "
            L"finds it",
            {key, Number(slot.width), Number(slot.height)});
        return;
    }
    CheckImage(checker, line, key + L"'s normal image", slot.normalImagePath, slot.normalImage,
               slot);
    CheckImage(checker, line, key + L"'s hot image", slot.hotImagePath, slot.hotImage, slot);
}

// Why the platform cannot play a sound file, by verdict: %1 the key, %2 the
// path, %3 the verdict's detail, %4 channels, %5 rate, %6 bits, %7 block size.
static const struct {
    WaveVerdict verdict;
    const wchar_t *text;
} SOUND_FAULTS[] = {
    {WAVE_NOT_RIFF, L"%1: the sound is not a RIFF WAVE file%3: %2; it never plays"},
    {WAVE_TRUNCATED, L"%1: the sound is cut short, its \"%3\" chunk runs past the end of the "
                     L"file: %2; save it again"},
    {WAVE_NO_FORMAT, L"%1: the sound has no fmt chunk before its data, or one too short for its "
                     L"format: %2; it never plays"},
    {WAVE_NO_DATA, L"%1: the sound has no data chunk after its fmt chunk: %2; it never plays"},
    {WAVE_UNPLAYABLE,
     L"%1: the sound is in format %3, which Windows does not play: %2; save it in WAVE as PCM, or "
     L"as IMA ADPCM, Microsoft ADPCM, GSM 6.10, CCITT A-law or u-law, or MPEG Layer-3"},
    {WAVE_BAD_FIELDS, L"%1: the sound is %3 with %4 channel(s) at %5 Hz, %6 bits a sample and "
                      L"blocks of %7 bytes, which Windows cannot play: %2"},
};

static void CheckSoundFormat(Checker *checker, int line, const std::wstring &key,
                             const std::wstring &path)
{
    WaveFacts facts = JudgeWaveFile(path);
    std::wstring detail = facts.detail;
    if (facts.verdict == WAVE_NOT_RIFF && !detail.empty())
        detail = L" (it looks like " + detail + L")";
    for (const auto &fault : SOUND_FAULTS) {
        if (fault.verdict == facts.verdict)
            Say(checker, line, LEVEL_ERROR, fault.text,
                {key, Quote(path), detail, Number(facts.channels), Number(facts.samplesPerSecond),
                 Number(facts.bitsPerSample), Number(facts.blockAlign)});
    }
}

static void CheckSound(Checker *checker, int index)
{
    std::wstring key = SlotKey(index) + SOUND_KEY_SUFFIX;
    std::wstring value =
        ReadAsLauncher(checker, launcher.buttonSection, key.c_str(), ENTRY_CAPACITY);
    if (value.empty())
        return;
    int line = LineOf(checker->scan, launcher.buttonSection, key.c_str());
    if (!CommandTable[index].defined) {
        Say(checker, line, LEVEL_WARNING, L"%1 is never read: %2 is not shown (%3)",
            {key, SlotKey(index), launcher.language});
        return;
    }
    Fields fields = SplitFields(value);
    CheckEntry(checker, line, key, SOUND_ENTRY, fields, L"");
    if (fields.tokens.empty())
        return;
    DiscFile file = FindOnDisc(fields.tokens[0]);
    CheckFileUse(checker, line, key, fields.tokens[0], file, SOUND);
    if (file.IsFile())
        CheckSoundFormat(checker, line, key, file.path);
}

// A label or a button: where the pointer finds a slot.
struct SlotArea {
    int index;
    std::wstring name;
    RECT rect;
    int line;
};

static void CheckGeometry(Checker *checker)
{
    std::vector<SlotArea> areas;
    for (int i = 0; i < SLOT_COUNT; i++) {
        const CommandSlot &slot = CommandTable[i];
        for (bool button : {false, true}) {
            const RECT &rect = button ? slot.buttonRect : slot.labelRect;
            const wchar_t *section = button ? launcher.buttonSection : launcher.labelSection;
            std::wstring name =
                Fill(L"%1's %2 %3", {slot.key, button ? L"button" : L"label", RectText(rect)});
            if (slot.defined && !IsRectEmpty(&rect))
                areas.push_back(SlotArea{i, name, rect, SlotLine(*checker, section, i)});
        }
    }
    RECT client = {0, 0, checker->client.cx, checker->client.cy};
    std::wstring size = Number(client.right) + L" x " + Number(client.bottom);
    for (const SlotArea &area : areas) {
        RECT inside;
        if (!IntersectRect(&inside, &area.rect, &client))
            Say(checker, area.line, LEVEL_ERROR,
                L"%1 lies outside the window's client area (%2): it is never seen (%3)",
                {area.name, size, launcher.language});
        else if (!EqualRect(&inside, &area.rect))
            Say(checker, area.line, LEVEL_WARNING,
                L"%1 reaches outside the window's client area (%2): it is cut off (%3)",
                {area.name, size, launcher.language});
    }
    for (size_t b = 0; b < areas.size(); b++) {
        for (size_t a = 0; a < b; a++) {
            RECT common;
            if (areas[a].index != areas[b].index &&
                IntersectRect(&common, &areas[a].rect, &areas[b].rect))
                Say(checker, areas[b].line, LEVEL_WARNING,
                    L"%1 overlaps %2: where they meet, the pointer lights %3 (the lower number "
                    L"wins) and %4 is painted on top (%5)",
                    {areas[b].name, areas[a].name, SlotKey(areas[a].index), SlotKey(areas[b].index),
                     launcher.language});
        }
    }
}

// Each defined slot's label and button rectangles as now loaded; empty ones
// for a slot that is not shown.
struct SlotPlaces {
    RECT label[SLOT_COUNT];
    RECT button[SLOT_COUNT];
    RECT client;
};

static SlotPlaces ReadSlotPlaces(const Checker &checker)
{
    SlotPlaces places = {};
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (CommandTable[i].defined) {
            places.label[i] = CommandTable[i].labelRect;
            places.button[i] = CommandTable[i].buttonRect;
        }
    }
    places.client = RECT{0, 0, checker.client.cx, checker.client.cy};
    return places;
}

static bool Meet(const RECT &a, const RECT &b)
{
    RECT common;
    return IntersectRect(&common, &a, &b);
}

// From 125 to 200 % the launcher draws its labels in TrueType, whose text is
// not exactly the scale times its width at 100 %: a label that runs into
// another slot's label or button, or past the window's edge, where at 100 %
// it does not. Said once for each, at the smallest such scale. Leaves the
// language loaded at 100 % again.
static void CheckLabelsAtScales(Checker *checker)
{
    const SlotPlaces plain = ReadSlotPlaces(*checker);
    std::set<std::pair<int, int>> said;
    for (const ScaleVariant &variant : SCALE_VARIANTS) {
        if (variant.dpi > DPI_200)
            break;
        LoadAsUser(checker, checker->userLanguage, variant.dpi);
        const SlotPlaces scaled = ReadSlotPlaces(*checker);
        std::wstring percent = PercentText(variant.dpi);
        for (int i = 0; i < SLOT_COUNT; i++) {
            if (IsRectEmpty(&scaled.label[i]))
                continue;
            int line = SlotLine(*checker, launcher.labelSection, i);
            std::wstring label = Fill(L"%1's label %2", {SlotKey(i), Quote(CommandTable[i].label)});
            RECT inside;
            IntersectRect(&inside, &scaled.label[i], &scaled.client);
            RECT plainInside;
            IntersectRect(&plainInside, &plain.label[i], &plain.client);
            if (!EqualRect(&inside, &scaled.label[i]) && EqualRect(&plainInside, &plain.label[i]) &&
                said.insert({i, -1}).second)
                Say(checker, line, LEVEL_WARNING,
                    L"%1 runs past the window's edge at %2, in a font whose text is not exactly %2 "
                    L"of its width at 100 % (%3)",
                    {label, percent, launcher.language});
            for (int other = 0; other < SLOT_COUNT; other++) {
                for (bool button : {false, true}) {
                    const RECT &now = button ? scaled.button[other] : scaled.label[other];
                    const RECT &before = button ? plain.button[other] : plain.label[other];
                    if (other == i || IsRectEmpty(&now) || !Meet(scaled.label[i], now) ||
                        Meet(plain.label[i], before) ||
                        !said.insert({i, 2 * other + button}).second)
                        continue;
                    Say(checker, line, LEVEL_WARNING,
                        L"%1 runs into %2's %3 at %4, in a font whose text is not exactly %4 of "
                        L"its width at 100 % (%5)",
                        {label, SlotKey(other), button ? L"button" : L"label", percent,
                         launcher.language});
                }
            }
        }
    }
    LoadAsUser(checker, checker->userLanguage);
}

std::vector<int> KeyPlaces()
{
    std::vector<int> places(SLOT_COUNT, 0);
    int shown = CountShownSlots(), place = 0;
    for (int stop = NextKeyStop(-1, shown, VK_DOWN);
         stop >= 0 && stop < SLOT_COUNT && !places[stop]; stop = NextKeyStop(stop, shown, VK_DOWN))
        places[stop] = ++place;
    return places;
}

// A shown slot that the keys never stop on, and the empty slots they stop on instead.
static void CheckKeyboardOrder(Checker *checker)
{
    std::vector<int> places = KeyPlaces();
    int first = -1, last = -1;
    std::vector<std::wstring> gaps;
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (places[i] == 1)
            first = i;
        if (last == -1 || places[i] > places[last])
            last = i;
        if (places[i] && !CommandTable[i].defined)
            gaps.push_back(SlotKey(i));
    }
    std::wstring hidden;
    for (size_t i = 0; i < gaps.size(); i++)
        hidden += (i == 0 ? L"" : i + 1 == gaps.size() ? L" and " : L", ") + gaps[i];
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (CommandTable[i].defined && !places[i])
            Say(checker, SlotLine(*checker, launcher.definitionSection, i), LEVEL_WARNING,
                L"%1 is shown, but Up, Down and Tab never reach it: they step through %2 to %3 (as "
                L"many as are shown), where %4 %5 not shown (%6)",
                {SlotKey(i), SlotKey(first), SlotKey(last), hidden,
                 gaps.size() == 1 ? L"is" : L"are", launcher.language});
    }
}

void CheckLoadedLanguage(Checker *checker)
{
    bool hasSections = CheckSections(checker);
    CheckTexts(checker);
    const wchar_t *definitions = launcher.definitionSection;
    const wchar_t *labels = launcher.labelSection, *buttons = launcher.buttonSection;
    for (int i = 0; i < SLOT_COUNT; i++) {
        std::wstring key = SlotKey(i);
        wchar_t scratch[ENTRY_CAPACITY];
        bool hasCommand = ReadConfigString(definitions, key.c_str(), scratch, ENTRY_CAPACITY);
        std::wstring label = ReadAsLauncher(checker, labels, key.c_str(), ENTRY_CAPACITY);
        std::wstring button = ReadAsLauncher(checker, buttons, key.c_str(), ENTRY_CAPACITY);
        if (!hasCommand && !label.empty())
            Say(checker, SlotLine(*checker, launcher.labelSection, i), LEVEL_WARNING,
                L"%1 has a label but no entry in [%2]: it is never shown", {key, definitions});
        if (!hasCommand && !button.empty())
            Say(checker, SlotLine(*checker, launcher.buttonSection, i), LEVEL_WARNING,
                L"%1 has a button but no entry in [%2]: it is never shown", {key, definitions});
        if (hasCommand && !CommandTable[i].defined && hasSections)
            Say(checker, SlotLine(*checker, launcher.definitionSection, i), LEVEL_WARNING,
                L"%1 is defined but has neither a label in [%2] nor a button in [%3]: it is "
                L"never shown",
                {key, labels, buttons});
        if (hasCommand && !label.empty())
            CheckLabel(checker, i, label);
        if (hasCommand && !button.empty())
            CheckButton(checker, i, button);
        CheckSound(checker, i);
    }
    CheckGeometry(checker);
    CheckLabelsAtScales(checker);
    CheckKeyboardOrder(checker);
    CheckAccessibility(checker);
    CheckUnknownKeys(checker, labels, TEXT_KEYS, true, false);
    CheckUnknownKeys(checker, buttons, nullptr, true, true);
    CheckUnknownKeys(checker, launcher.language, RUNTIME_TEXT_KEYS, false, false);
}
