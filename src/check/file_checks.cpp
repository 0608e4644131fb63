// Findings about the file as a whole: its encoding, the languages, the
// settings of the active section and the command of every slot.
#include "checker.h"

#include "commands/commands.h"
#include "config/command_table.h"
#include "config/config_values.h"
#include "platform/platform.h"
#include "startup/prerequisite.h"
#include "startup/startup.h"

#include <shellapi.h>

#include <map>

static const wchar_t WORKING_ENCODINGS[] =
    L"save it as UTF-16 LE with a byte-order mark (read alike on every Windows), or keep it to "
    L"plain ASCII";

static void CheckEncoding(Checker *checker)
{
    Report *report = &checker->report;
    const IniScan &scan = checker->scan;
    switch (scan.encoding) {
    case ENCODING_UTF8:
        Say(report, scan.firstNonAsciiLine, LEVEL_WARNING,
            L"the file is UTF-8 with non-ASCII characters, which the profile reader takes in the "
            L"ANSI code page of the user: " +
                Quote(scan.nonAsciiAsUtf8) + L" reads as " + Quote(scan.nonAsciiAsAnsi) + L"; " +
                WORKING_ENCODINGS);
        break;
    case ENCODING_ANSI:
        Say(report, scan.firstNonAsciiLine, LEVEL_WARNING,
            L"the file is in an ANSI code page: its non-ASCII characters read right only for users "
            L"whose code page is the one it was saved in; " +
                std::wstring(WORKING_ENCODINGS));
        break;
    case ENCODING_UTF8_BOM: {
        bool sectionFirst = !scan.sections.empty() && scan.sections[0].line == 1;
        Say(report, 1, sectionFirst ? LEVEL_ERROR : LEVEL_WARNING,
            std::wstring(L"the file starts with a UTF-8 byte-order mark, which the profile reader "
                         L"of Windows does not recognise: it becomes part of line 1") +
                (sectionFirst ? L", so section [" + scan.sections[0].name + L"] is not found"
                              : L"") +
                L"; " + WORKING_ENCODINGS);
        break;
    }
    case ENCODING_UTF16BE:
        Say(report, 1, LEVEL_ERROR,
            std::wstring(L"the file is UTF-16 big-endian, which the profile reader of current "
                         L"Windows does not read; ") +
                WORKING_ENCODINGS);
        break;
    case ENCODING_UTF16_BARE:
        Say(report, 0, LEVEL_ERROR,
            std::wstring(L"the file holds NUL bytes but no byte-order mark (UTF-16 without one?): "
                         L"the profile reader cannot read it; ") +
                WORKING_ENCODINGS);
        break;
    default:
        break;
    }
}

static void CheckLanguages(Checker *checker)
{
    const IniScan &scan = checker->scan;
    for (const IniEntry &entry : scan.entries) {
        if (SameName(entry.section, L"Languages") && !IsLanguageListed(entry.key.c_str()) &&
            FindEntries(scan, L"Languages", entry.key.c_str())[0] == &entry)
            Say(&checker->report, entry.line, LEVEL_WARNING,
                entry.key + L" has an empty value, so the launcher counts it as not listed");
    }

    const wchar_t *section = launcher.activeSection;
    std::wstring defaultLanguage = ReadAsLauncher(checker, section, L"DefaultLang", TEXT_CAPACITY);
    if (defaultLanguage.empty())
        Say(&checker->report, SectionLine(scan, section), LEVEL_WARNING,
            std::wstring(L"no DefaultLang in [") + section +
                L"]: users whose language [Languages] does not list get no caption, labels or "
                L"buttons");
    else if (!IsLanguageListed(defaultLanguage.c_str()))
        Say(&checker->report, LineOf(scan, section, L"DefaultLang"), LEVEL_WARNING,
            L"DefaultLang names " + Quote(defaultLanguage) +
                L", which [Languages] does not list; the launcher uses it all the same, for every "
                L"user of an unlisted language");
}

static std::wstring ColorText(COLORREF color)
{
    return Number(GetRValue(color)) + L"," + Number(GetGValue(color)) + L"," +
           Number(GetBValue(color));
}

void CheckColorFields(Checker *checker, int line, const std::wstring &what, const Fields &fields,
                      int first)
{
    for (size_t i = first; i < first + 3u && i < fields.tokens.size(); i++) {
        int component = ReadNumber(fields.tokens[i].c_str());
        if (component < 0 || component > 255)
            Say(&checker->report, line, LEVEL_WARNING,
                what + L": colour component " + Number(component) + L" is cut to its low 8 bits, " +
                    Number(component & 0xFF));
    }
}

static void CheckSettingColor(Checker *checker, const wchar_t *key)
{
    std::wstring value = ReadAsLauncher(checker, launcher.activeSection, key, TEXT_CAPACITY);
    if (value.empty())
        return;
    int line = LineOf(checker->scan, launcher.activeSection, key);
    Fields fields = SplitFields(value);
    CheckColorFields(checker, line, key, fields, 0);
    COLORREF color = ReadColorKey(key);
    if (fields.shifted)
        Say(&checker->report, line, LEVEL_WARNING,
            std::wstring(key) +
                L": an empty field is skipped and the later ones move up; read as " +
                ColorText(color));
    if (fields.tokens.size() != 3)
        Say(&checker->report, line, LEVEL_WARNING,
            std::wstring(key) + L" has " + FieldCount(fields.tokens.size()) +
                L"; a colour takes red,green,blue, read as " + ColorText(color));
}

static void CheckSettingColors(Checker *checker)
{
    for (const wchar_t *key : {L"BkgColor", L"HiColor", L"LoColor"})
        CheckSettingColor(checker, key);
}

static void CheckIcon(Checker *checker)
{
    // Read straight behind the source root, into the room it leaves.
    int room = TEXT_CAPACITY - lstrlenW(launcher.sourceRoot);
    std::wstring name = ReadAsLauncher(checker, launcher.activeSection, L"Icon", room);
    if (name.empty())
        return;
    int line = LineOf(checker->scan, launcher.activeSection, L"Icon");
    std::wstring path = std::wstring(launcher.sourceRoot) + name;
    if (!IsFileAt(path)) {
        Say(&checker->report, line, LEVEL_ERROR,
            L"the icon file is not on the disc: " + Quote(path) + BlankHint(name) +
                L"; the launcher shows its built-in icon");
        return;
    }
    HICON icon = nullptr;
    os.ExtractIconExW(path.c_str(), 0, &icon, nullptr, 1);
    if (icon)
        DestroyIcon(icon);
    else
        Say(&checker->report, line, LEVEL_ERROR,
            Quote(path) + L" holds no icon; the launcher shows its built-in icon");
}

static void CheckBackground(Checker *checker)
{
    std::wstring name = ReadAsLauncher(checker, launcher.activeSection, L"Bitmap", TEXT_CAPACITY);
    if (name.empty())
        return;
    int line = LineOf(checker->scan, launcher.activeSection, L"Bitmap");
    std::wstring path = DiscPath(name);
    const wchar_t *fallback = L"; the launcher shows its built-in background instead, in a window "
                              L"of the built-in size";
    if (path.empty())
        Say(&checker->report, line, LEVEL_ERROR,
            L"the background's path is longer than 259 characters behind the disc root" +
                std::wstring(fallback));
    else if (!IsFileAt(path))
        Say(&checker->report, line, LEVEL_ERROR,
            L"the background is not on the disc: " + Quote(path) + BlankHint(name) + fallback);
    else if (launcher.defaultBackground)
        Say(&checker->report, line, LEVEL_ERROR,
            L"the launcher cannot load " + Quote(path) + L" as a bitmap" + fallback);
}

// The first numeric part with more than one digit, whose text order differs
// from its number order, gives an installed version that compares wrongly.
static void CheckRuntimeVersion(Checker *checker)
{
    std::wstring required =
        ReadAsLauncher(checker, launcher.activeSection, L"DirectXMedia", VERSION_CAPACITY);
    if (required.empty())
        return;
    int line = LineOf(checker->scan, launcher.activeSection, L"DirectXMedia");
    std::vector<std::wstring> parts;
    size_t start = 0;
    bool wellFormed = true;
    for (;;) {
        size_t dot = required.find(L'.', start);
        std::wstring part = required.substr(start, dot == std::wstring::npos ? dot : dot - start);
        // Numbers as the launcher prints them: no leading zero, at most 65535.
        wellFormed = wellFormed && !part.empty() && part.size() <= 5 &&
                     part.find_first_not_of(L"0123456789") == std::wstring::npos &&
                     (part.size() == 1 || part[0] != L'0') && ReadNumber(part.c_str()) <= 65535;
        parts.push_back(part);
        if (dot == std::wstring::npos)
            break;
        start = dot + 1;
    }
    if (!wellFormed || parts.size() > 4) {
        Say(&checker->report, line, LEVEL_WARNING,
            L"DirectXMedia=" + required +
                L" is not a version of the form a.b.c.d (numbers joined by dots), as the launcher "
                L"writes the installed one before it compares them as text");
        return;
    }
    while (parts.size() < 4)
        parts.push_back(L"0");
    for (size_t i = 0; i < parts.size(); i++) {
        if (parts[i].size() < 2)
            continue;
        std::vector<std::wstring> example = parts;
        bool older = parts[i][0] == L'1';
        // "9" is a lower number than "10" but sorts after it as text; "1000" is
        // a higher number than "900" but sorts before it.
        example[i] = older ? L"9" : L"1" + std::wstring(parts[i].size(), L'0');
        for (size_t j = i + 1; j < example.size(); j++)
            example[j] = L"0";
        std::wstring installed =
            example[0] + L"." + example[1] + L"." + example[2] + L"." + example[3];
        Say(&checker->report, line, LEVEL_WARNING,
            L"DirectXMedia=" + required + L" is compared as text, not as numbers: an installed " +
                installed +
                (older ? L" counts as recent enough, although it is older"
                       : L" counts as too old, although it is newer"));
        return;
    }
}

static bool IsKeywordText(const std::wstring &token)
{
    return lstrcmpiW(token.c_str(), L"CMD_BROWSE") == 0;
}

static std::wstring TrimBlanks(const std::wstring &text)
{
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos)
        return std::wstring();
    return text.substr(start, text.find_last_not_of(L" \t") - start + 1);
}

static const wchar_t *const KIND_NAMES[] = {L"CMD_BROWSE",  L"CMD_EXE",    L"CMD_EXIT",
                                            L"CMD_INSTALL", L"CMD_UNINST", L"CMD_WEB"};

static void CheckKeyword(Checker *checker, int line, const std::wstring &key, const Fields &fields)
{
    Report *report = &checker->report;
    if (fields.tokens.empty()) {
        Say(report, line, LEVEL_WARNING,
            key + L" has no keyword, so the launcher takes it as CMD_BROWSE");
        return;
    }
    const std::wstring &keyword = fields.tokens[0];
    if (ParseCommandKind(keyword.c_str()) != CMD_BROWSE || IsKeywordText(keyword))
        return;
    CommandKind meant = ParseCommandKind(TrimBlanks(keyword).c_str());
    if (meant != CMD_BROWSE || IsKeywordText(TrimBlanks(keyword)))
        Say(report, line, LEVEL_ERROR,
            key + L": the keyword " + Quote(keyword) +
                L" has a blank next to it, so the launcher "
                L"takes it as CMD_BROWSE, not " +
                KIND_NAMES[meant]);
    else
        Say(report, line, LEVEL_ERROR,
            key + L": " + Quote(keyword) +
                L" is not a keyword, so the launcher takes it as "
                L"CMD_BROWSE (one of CMD_BROWSE, CMD_EXE, CMD_EXIT, CMD_INSTALL, CMD_UNINST, "
                L"CMD_WEB)");
}

// What the command runs, checked on the disc.
static void CheckTarget(Checker *checker, int line, const std::wstring &key,
                        const CommandSlot &slot, bool hasPath)
{
    Report *report = &checker->report;
    std::wstring target = DiscPath(slot.path);
    std::wstring hint = BlankHint(slot.path);
    switch (slot.kind) {
    case CMD_BROWSE:
        if (target.empty())
            Say(report, line, LEVEL_ERROR,
                key + L": the folder's path is longer than 259 characters behind the disc root, "
                      L"so the button does nothing");
        else if (!IsFolderAt(target))
            Say(report, line, LEVEL_ERROR,
                key + L": the folder to explore is not on the disc: " + Quote(target) + hint);
        break;
    case CMD_EXE:
        if (!hasPath)
            Say(report, line, LEVEL_WARNING,
                key + L": CMD_EXE without a path opens the disc's root folder");
        else if (target.empty())
            Say(report, line, LEVEL_ERROR,
                key + L": the path is longer than 259 characters behind the disc root, so the "
                      L"button does nothing");
        else if (!IsFileAt(target) && !IsFolderAt(target))
            Say(report, line, LEVEL_ERROR,
                key + L": the file to open is not on the disc: " + Quote(target) + hint);
        break;
    case CMD_INSTALL: {
        wchar_t commandLine[TEXT_CAPACITY];
        if (!hasPath)
            Say(report, line, LEVEL_ERROR,
                key + L": CMD_INSTALL without an installer path starts nothing");
        else if (target.empty() ||
                 !BuildInstallerCommandLine(target.c_str(), slot.arguments, commandLine))
            Say(report, line, LEVEL_ERROR,
                key + L": the installer's command line is longer than 259 characters, so the "
                      L"button does nothing");
        else if (!IsFileAt(target))
            Say(report, line, LEVEL_ERROR,
                key + L": the installer is not on the disc: " + Quote(target) + hint +
                    L"; the launcher asks for the disc (Insert) until it is there");
        break;
    }
    case CMD_WEB:
        if (!hasPath)
            Say(report, line, LEVEL_ERROR, key + L": CMD_WEB without an address opens nothing");
        break;
    default:
        if (hasPath)
            Say(report, line, LEVEL_WARNING,
                key + L": " + KIND_NAMES[slot.kind] +
                    L" uses no path or arguments; they are "
                    L"ignored");
        break;
    }
}

static void CheckDefinitions(Checker *checker)
{
    std::wstring section = DefinitionsSection();
    for (int i = 0; i < SLOT_COUNT; i++) {
        std::wstring key = SlotKey(i);
        std::wstring value = ReadAsLauncher(checker, section, key.c_str(), ENTRY_CAPACITY);
        if (value.empty())
            continue;
        int line = LineOf(checker->scan, section.c_str(), key.c_str());
        Fields fields = SplitFields(value);
        const CommandSlot &slot = CommandTable[i];
        CheckKeyword(checker, line, key, fields);
        if (fields.shifted)
            Say(&checker->report, line, LEVEL_WARNING,
                key + L": an empty field is skipped and the later ones move up; read as " +
                    KIND_NAMES[slot.kind] + L", path " + Quote(slot.path) + L", arguments " +
                    Quote(slot.arguments));
        if (fields.tokens.size() > 3)
            Say(&checker->report, line, LEVEL_WARNING,
                key + L" has " + FieldCount(fields.tokens.size()) +
                    L"; a command takes keyword,path,arguments and the rest is ignored (no "
                    L"field can hold a comma)");
        CheckFieldLengths(checker, line, key, fields, 1, 2);
        CheckTarget(checker, line, key, slot, fields.tokens.size() > 1);
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

// Slot keys the launcher never asks for: past cmd30, or without two digits.
static std::wstring SlotKeyProblem(const std::wstring &key)
{
    if (key.size() < 4 || lstrcmpiW(key.substr(0, 3).c_str(), L"cmd") != 0)
        return std::wstring();
    size_t digits = key.find_first_not_of(L"0123456789", 3);
    std::wstring number = key.substr(3, digits == std::wstring::npos ? digits : digits - 3);
    if (number.empty())
        return std::wstring();
    int value = ReadNumber(number.c_str());
    if (value > SLOT_COUNT || value == 0)
        return key + L" is never read: there are 30 slots, cmd01 to cmd30";
    if (number.size() != 2)
        return key + L" is never read: slot keys have two digits, as in cmd0" + Number(value % 10);
    return std::wstring();
}

void CheckUnknownKeys(Checker *checker, const std::wstring &section,
                      const std::vector<const wchar_t *> &known, bool slotKeys, bool soundKeys)
{
    for (const IniEntry &entry : checker->scan.entries) {
        if (!SameName(entry.section, section.c_str()))
            continue;
        bool isKnown = (slotKeys && IsSlotKey(entry.key, L"")) ||
                       (soundKeys && IsSlotKey(entry.key, L"_sound"));
        for (const wchar_t *name : known)
            isKnown = isKnown || SameName(entry.key, name);
        if (isKnown)
            continue;
        std::wstring problem = SlotKeyProblem(entry.key);
        if (problem.empty())
            problem = entry.key + L" is not a key the launcher reads in [" + section + L"]";
        Say(&checker->report, entry.line, LEVEL_WARNING, problem);
    }
}

// A key or a section written twice: the reader takes one of them.
static std::wstring Folded(const std::wstring &name)
{
    std::wstring folded = name;
    if (!folded.empty())
        CharLowerBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

static void CheckRepeats(Checker *checker)
{
    const IniScan &scan = checker->scan;
    std::map<std::wstring, int> sections;
    for (const IniSection &section : scan.sections) {
        auto first = sections.emplace(Folded(section.name), section.line).first;
        if (first->second != section.line)
            Say(&checker->report, section.line, LEVEL_WARNING,
                L"section [" + section.name + L"] appears again (first on line " +
                    Number(first->second) + L"); keep each section in one place");
    }
    std::map<std::wstring, int> keys;
    for (const IniEntry &entry : scan.entries) {
        auto first =
            keys.emplace(Folded(entry.section) + L"]" + Folded(entry.key), entry.line).first;
        if (first->second == entry.line)
            continue;
        std::vector<wchar_t> value(ENTRY_CAPACITY);
        ReadConfigString(entry.section.c_str(), entry.key.c_str(), value.data(), ENTRY_CAPACITY);
        Say(&checker->report, entry.line, LEVEL_WARNING,
            entry.key + L" appears again in [" + entry.section + L"] (first on line " +
                Number(first->second) + L"); the launcher reads only one of them: " +
                Quote(value.data()));
    }
}

static const std::vector<const wchar_t *> SETTING_KEYS = {
    L"AppRegKey",    L"NoRunAppClass", L"DefaultLang", L"DirectXMedia", L"Icon",
    L"UseSmallFont", L"Bitmap",        L"BkgColor",    L"HiColor",      L"LoColor"};

// The installed-product probe never reports the product installed, so a
// running launcher stays in Setup.
static void CheckRunSections(Checker *checker)
{
    if (SameName(checker->options.section, L"Run")) {
        Say(&checker->report, 0, LEVEL_NOTE,
            L"the launcher starts in Setup and never switches to Run, since it never finds the "
            L"product installed; this is what it would read there");
        return;
    }
    for (const IniSection &section : checker->scan.sections) {
        if (section.name.size() >= 3 && lstrcmpiW(section.name.substr(0, 3).c_str(), L"Run") == 0)
            Say(&checker->report, section.line, LEVEL_NOTE,
                L"[" + section.name +
                    L"] is not used: the launcher never switches to Run, since "
                    L"it never finds the product installed (check it with --section Run)");
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
    for (const wchar_t *section : {L"Setup", L"Run"})
        CheckUnknownKeys(checker, section, SETTING_KEYS, false, false);
    CheckUnknownKeys(checker, DefinitionsSection(), {}, true, false);
}
