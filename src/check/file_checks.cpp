// Findings about the file as a whole: its encoding, the languages, the
// settings of the active section and the command of every slot.
#include "file_checks.h"
#include "entries.h"
#include "scale_checks.h"

#include "commands/commands.h"
#include "commands/product_probe.h"
#include "config/command_table.h"
#include "config/config_names.h"
#include "config/config_values.h"
#include "config/language.h"
#include "startup/prerequisite.h"
#include "state/launcher_state.h"
#include "window/window.h"

#include <map>

static const wchar_t WORKING_ENCODINGS[] =
    L"save it as UTF-16 LE with a byte-order mark (read alike on every Windows), or keep it to "
    L"plain ASCII";

static void CheckEncoding(Checker *checker)
{
    const IniScan &scan = checker->scan;
    switch (scan.encoding) {
    case ENCODING_UTF8:
        Say(checker, scan.firstNonAsciiLine, LEVEL_WARNING,
            L"the file is UTF-8 with non-ASCII characters, which the profile reader takes in the "
            L"ANSI code page of the user: %1 reads as %2; %3",
            {Quote(scan.nonAsciiAsUtf8), Quote(scan.nonAsciiAsAnsi), WORKING_ENCODINGS});
        break;
    case ENCODING_ANSI:
        Say(checker, scan.firstNonAsciiLine, LEVEL_WARNING,
            L"the file is in an ANSI code page: its non-ASCII characters read right only for users "
            L"whose code page is the one it was saved in; %1",
            {WORKING_ENCODINGS});
        break;
    case ENCODING_UTF8_BOM:
        if (!scan.sections.empty() && scan.sections[0].line == 1)
            Say(checker, 1, LEVEL_ERROR,
                L"the file starts with a UTF-8 byte-order mark, which the profile reader of "
                L"Windows does not recognise: it becomes part of line 1, so section [%1] is not "
                L"found; %2",
                {scan.sections[0].name, WORKING_ENCODINGS});
        else
            Say(checker, 1, LEVEL_WARNING,
                L"the file starts with a UTF-8 byte-order mark, which the profile reader of "
                L"Windows does not recognise: it becomes part of line 1; %1",
                {WORKING_ENCODINGS});
        break;
    case ENCODING_UTF16BE:
        Say(checker, 1, LEVEL_ERROR,
            L"the file is UTF-16 big-endian, which the profile reader of current Windows does not "
            L"read; %1",
            {WORKING_ENCODINGS});
        break;
    case ENCODING_UTF16_BARE:
        Say(checker, 0, LEVEL_ERROR,
            L"the file holds NUL bytes but no byte-order mark (UTF-16 without one?): the profile "
            L"reader cannot read it; %1",
            {WORKING_ENCODINGS});
        break;
    default:
        break;
    }
}

static void CheckLanguages(Checker *checker)
{
    const IniScan &scan = checker->scan;
    for (const IniEntry &entry : scan.entries) {
        if (SameName(entry.section, SECTION_LANGUAGES) && !IsLanguageListed(entry.key.c_str()) &&
            EntryLine(scan, SECTION_LANGUAGES, entry.key.c_str()) == entry.line)
            Say(checker, entry.line, LEVEL_WARNING,
                L"%1 has an empty value, so the launcher counts it as not listed", {entry.key});
    }

    const wchar_t *section = launcher.activeSection;
    std::wstring defaultLanguage =
        ReadAsLauncher(checker, section, KEY_DEFAULT_LANG, TEXT_CAPACITY);
    if (defaultLanguage.empty())
        Say(checker, SectionLine(scan, section), LEVEL_WARNING,
            L"no DefaultLang in [%1]: users whose language [Languages] does not list get no "
            L"caption, labels or buttons",
            {section});
    else if (!IsLanguageListed(defaultLanguage.c_str()))
        Say(checker, LineOf(scan, section, KEY_DEFAULT_LANG), LEVEL_WARNING,
            L"DefaultLang names %1, which [Languages] does not list; the launcher uses it all the "
            L"same, for every user of an unlisted language",
            {Quote(defaultLanguage)});
}

static void CheckSettingColors(Checker *checker)
{
    for (const wchar_t *key : {KEY_BKG_COLOR, KEY_HI_COLOR, KEY_LO_COLOR}) {
        std::wstring value = ReadAsLauncher(checker, launcher.activeSection, key, TEXT_CAPACITY);
        if (value.empty())
            continue;
        int line = LineOf(checker->scan, launcher.activeSection, key);
        Fields fields = SplitFields(value);
        CheckColorFields(checker, line, key, fields, 0);
        CheckEntry(checker, line, key, COLOUR_ENTRY, fields, ColorText(ReadColorKey(key)));
    }
}

static void CheckIcon(Checker *checker)
{
    wchar_t path[TEXT_CAPACITY];
    if (!ReadIconPath(path))
        return;
    std::wstring name = path + lstrlenW(launcher.sourceRoot);
    if (lstrlenW(path) + 1 >= TEXT_CAPACITY)
        SayIfCut(checker, launcher.activeSection, KEY_ICON, static_cast<DWORD>(name.size()));
    HICON icon = ExtractConfiguredIcon();
    if (icon)
        DestroyIcon(icon);
    CheckFileUse(checker, LineOf(checker->scan, launcher.activeSection, KEY_ICON), L"", name,
                 DescribeFile(path), ICON, icon != nullptr);
}

static void CheckBackground(Checker *checker)
{
    std::wstring name = ReadAsLauncher(checker, launcher.activeSection, KEY_BITMAP, TEXT_CAPACITY);
    if (name.empty())
        return;
    int line = LineOf(checker->scan, launcher.activeSection, KEY_BITMAP);
    CheckFileUse(checker, line, L"", name, FindOnDisc(name), BACKGROUND,
                 !launcher.defaultBackground);
    if (!launcher.defaultBackground)
        CheckScaleVariants(checker, line, KEY_BITMAP, name, FindOnDisc(name));
}

// The first numeric part with more than one digit, whose text order differs
// from its number order, gives an installed version that compares wrongly.
static void CheckRuntimeVersion(Checker *checker)
{
    const wchar_t *section = launcher.activeSection;
    std::wstring required = ReadAsLauncher(checker, section, KEY_DIRECTX_MEDIA, VERSION_CAPACITY);
    if (required.empty())
        return;
    int line = LineOf(checker->scan, section, KEY_DIRECTX_MEDIA);
    std::vector<std::wstring> parts;
    bool wellFormed = true;
    for (size_t start = 0, dot = 0; dot != std::wstring::npos; start = dot + 1) {
        dot = required.find(L'.', start);
        std::wstring part = required.substr(start, dot == std::wstring::npos ? dot : dot - start);
        // Numbers as the launcher prints them: digits, no leading zero, at most 65535.
        int number = ReadNumber(part.c_str());
        wellFormed = wellFormed && part == Number(number) && number >= 0 && number <= 65535;
        parts.push_back(part);
    }
    if (!wellFormed || parts.size() > 4) {
        Say(checker, line, LEVEL_WARNING,
            L"DirectXMedia=%1 is not a version of the form a.b.c.d (numbers joined by dots), as "
            L"the launcher writes the installed one before it compares them as text",
            {required});
        return;
    }
    parts.resize(4, L"0");
    for (size_t i = 0; i < parts.size(); i++) {
        if (parts[i].size() < 2)
            continue;
        // "9" is a lower number than "10" but sorts after it as text; "1000" is
        // a higher number than "900" but sorts before it. The launcher's own
        // comparison says which.
        parts[i] = parts[i][0] == L'1' ? L"9" : L"1" + std::wstring(parts[i].size(), L'0');
        std::wstring installed = parts[0];
        for (size_t j = 1; j < parts.size(); j++)
            installed += L"." + (j > i ? L"0" : parts[j]);
        Say(checker, line, LEVEL_WARNING,
            L"DirectXMedia=%1 is compared as text, not as numbers: an installed %2 counts as %3",
            {required, installed,
             IsVersionRecentEnough(installed.c_str(), required.c_str())
                 ? L"recent enough, although it is older"
                 : L"too old, although it is newer"});
        return;
    }
}

static void CheckKeyword(Checker *checker, int line, const std::wstring &key, const Fields &fields)
{
    if (fields.tokens.empty() || FindCommandKind(fields.tokens[0].c_str()) >= 0)
        return;
    const std::wstring &keyword = fields.tokens[0];
    int meant = FindCommandKind(Trimmed(keyword).c_str());
    if (meant >= 0) {
        Say(checker, line, LEVEL_ERROR,
            L"%1: the keyword %2 has a blank next to it, so the launcher takes it as CMD_BROWSE, "
            L"not %3",
            {key, Quote(keyword), COMMAND_KEYWORDS[meant]});
        return;
    }
    std::wstring keywords;
    for (const wchar_t *name : COMMAND_KEYWORDS)
        keywords += (keywords.empty() ? L"" : L", ") + std::wstring(name);
    Say(checker, line, LEVEL_ERROR,
        L"%1: %2 is not a keyword, so the launcher takes it as CMD_BROWSE (one of %3)",
        {key, Quote(keyword), keywords});
}

// What must be there for each kind of target (`use`, when it is on the disc),
// and what a command of it does without a path (%1 the key, %2 its keyword).
struct TargetRule {
    bool onDisc;
    FileUse use;
    Severity severity;
    const wchar_t *withoutPath;
};

static const TargetRule TARGET_RULES[TARGET_COUNT] = {
    {false, ICON, LEVEL_WARNING, L"%1: %2 uses no path or arguments; they are ignored"},
    {true, FOLDER_TO_EXPLORE, LEVEL_NOTE, nullptr},
    {true, FILE_TO_OPEN, LEVEL_WARNING, L"%1: CMD_EXE without a path opens the disc's root folder"},
    {true, INSTALLER, LEVEL_ERROR, L"%1: CMD_INSTALL without an installer path starts nothing"},
    {false, ICON, LEVEL_ERROR, L"%1: CMD_WEB without an address opens nothing"},
};

// What the command runs, checked on the disc.
static void CheckTarget(Checker *checker, int line, const std::wstring &key, int slotIndex,
                        bool hasPath)
{
    const CommandSlot &slot = CommandTable[slotIndex];
    CommandPlan plan;
    DescribeCommand(slotIndex, &plan);
    const TargetRule &rule = TARGET_RULES[plan.target];
    // A path given to a command that takes none is the fault; a missing one
    // is where one is needed.
    if (rule.withoutPath && hasPath == (plan.target == TARGET_NONE)) {
        Say(checker, line, rule.severity, rule.withoutPath, {key, COMMAND_KEYWORDS[slot.kind]});
        return;
    }
    if (!rule.onDisc)
        return;
    DiscFile target = FindOnDisc(slot.path);
    // A command line that does not fit starts nothing, as a path that does not fit.
    if (!plan.fits)
        target = DiscFile();
    CheckFileUse(checker, line, key, slot.path, target, rule.use);
}

static void CheckDefinitions(Checker *checker)
{
    const wchar_t *section = launcher.definitionSection;
    for (int i = 0; i < SLOT_COUNT; i++) {
        std::wstring key = SlotKey(i);
        std::wstring value = ReadAsLauncher(checker, section, key.c_str(), ENTRY_CAPACITY);
        if (value.empty())
            continue;
        int line = LineOf(checker->scan, section, key.c_str());
        Fields fields = SplitFields(value);
        const CommandSlot &slot = CommandTable[i];
        CheckKeyword(checker, line, key, fields);
        CheckEntry(checker, line, key, COMMAND_ENTRY, fields,
                   Fill(L"%1, path %2, arguments %3",
                        {COMMAND_KEYWORDS[slot.kind], Quote(slot.path), Quote(slot.arguments)}));
        CheckTarget(checker, line, key, i, fields.tokens.size() > 1);
    }
}

static bool IsSlotKey(const std::wstring &key, const wchar_t *suffix)
{
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (SameName(key, (SlotKey(i) + suffix).c_str()))
            return true;
    }
    return false;
}

// Slot keys the launcher never asks for: past the last slot, or without two
// digits. Empty for any other key.
static std::wstring SlotKeyProblem(const std::wstring &key)
{
    if (key.size() < 4 || !MatchesIgnoringAsciiCase(key.c_str(), 3, L"cmd"))
        return std::wstring();
    size_t digits = key.find_first_not_of(L"0123456789", 3);
    std::wstring number = key.substr(3, digits == std::wstring::npos ? digits : digits - 3);
    int value = ReadNumber(number.c_str());
    if (number.empty())
        return std::wstring();
    if (value > SLOT_COUNT || value == 0)
        return Fill(L"%1 is never read: there are %2 slots, %3 to %4",
                    {key, Number(SLOT_COUNT), SlotKey(0), SlotKey(SLOT_COUNT - 1)});
    if (number.size() != 2)
        return Fill(L"%1 is never read: slot keys have two digits, as in %2",
                    {key, SlotKey(value - 1)});
    return std::wstring();
}

void CheckUnknownKeys(Checker *checker, const std::wstring &section, const wchar_t *const *known,
                      bool slotKeys, bool soundKeys)
{
    for (const IniEntry &entry : checker->scan.entries) {
        if (!SameName(entry.section, section.c_str()))
            continue;
        bool isKnown = (slotKeys && IsSlotKey(entry.key, L"")) ||
                       (soundKeys && IsSlotKey(entry.key, SOUND_KEY_SUFFIX));
        for (const wchar_t *const *name = known; name && *name; name++)
            isKnown = isKnown || SameName(entry.key, *name);
        if (isKnown)
            continue;
        std::wstring problem = SlotKeyProblem(entry.key);
        if (problem.empty())
            problem = Fill(L"%1 is not a key the launcher reads in [%2]", {entry.key, section});
        Say(&checker->report, entry.line, LEVEL_WARNING, problem);
    }
}

// A key or a section written twice: the reader takes one of them.
static void CheckRepeats(Checker *checker)
{
    const IniScan &scan = checker->scan;
    std::map<std::wstring, int> sections;
    for (const IniSection &section : scan.sections) {
        auto first = sections.emplace(FoldName(section.name), section.line).first;
        if (first->second != section.line)
            Say(checker, section.line, LEVEL_WARNING,
                L"section [%1] appears again (first on line %2); keep each section in one place",
                {section.name, Number(first->second)});
    }
    std::map<std::wstring, int> keys;
    for (const IniEntry &entry : scan.entries) {
        auto first = keys.emplace(FoldName(entry.section + L"]" + entry.key), entry.line).first;
        if (first->second == entry.line)
            continue;
        std::vector<wchar_t> value(ENTRY_CAPACITY);
        ReadConfigString(entry.section.c_str(), entry.key.c_str(), value.data(), ENTRY_CAPACITY);
        Say(checker, entry.line, LEVEL_WARNING,
            L"%1 appears again in [%2] (first on line %3); the launcher reads only one of them: %4",
            {entry.key, entry.section, Number(first->second), Quote(value.data())});
    }
}

// Where the installed-product probe does not find the product, a running
// launcher stays in Setup.
static void CheckRunSections(Checker *checker)
{
    if (SameName(ChooseStartSection(), SECTION_RUN))
        return;
    if (SameName(checker->options.section, SECTION_RUN)) {
        Say(checker, 0, LEVEL_NOTE,
            L"the launcher starts in Setup and never switches to Run, since it never finds the "
            L"product installed; this is what it would read there");
        return;
    }
    for (const IniSection &section : checker->scan.sections) {
        int run = lstrlenW(SECTION_RUN);
        if (section.name.size() >= static_cast<size_t>(run) &&
            MatchesIgnoringAsciiCase(section.name.c_str(), run, SECTION_RUN))
            Say(checker, section.line, LEVEL_NOTE,
                L"[%1] is not used: the launcher never switches to Run, since it never finds the "
                L"product installed (check it with --section Run)",
                {section.name});
    }
}

void CheckFile(Checker *checker)
{
    CheckEncoding(checker);
    CheckRepeats(checker);
    CheckLanguages(checker);
    CheckSettingColors(checker);
    CheckIcon(checker);
    CheckBackground(checker);
    CheckRuntimeVersion(checker);
    CheckDefinitions(checker);
    CheckRunSections(checker);
    for (const wchar_t *section : {SECTION_SETUP, SECTION_RUN})
        CheckUnknownKeys(checker, section, SETTING_KEYS, false, false);
    CheckUnknownKeys(checker, launcher.definitionSection, nullptr, true, false);
}
