// Entries and the files they name, as the launcher reads and finds them.
#include "entries.h"

#include "config/command_table.h"
#include "config/config_values.h"
#include "state/bounded_text.h"

enum {
    // The most a profile read returns: a value no line of the file can pass.
    LONGEST_VALUE = 32768,
    COLOUR_COMPONENTS = 3, // red, green, blue
    COMPONENT_MAX = 0xFF,
};

void Say(Checker *checker, int line, Severity severity, const wchar_t *text,
         std::initializer_list<std::wstring> arguments)
{
    Say(&checker->report, line, severity, Fill(text, arguments));
}

void SayIfCut(Checker *checker, const std::wstring &section, const wchar_t *key, DWORD length)
{
    std::vector<wchar_t> buffer(LONGEST_VALUE);
    DWORD full = ReadConfigString(section.c_str(), key, buffer.data(), LONGEST_VALUE);
    if (full > length)
        Say(checker, LineOf(checker->scan, section.c_str(), key), LEVEL_WARNING,
            L"%1 is %2 characters long; the launcher reads only the first %3",
            {key, Number(full), Number(length)});
}

std::wstring ReadAsLauncher(Checker *checker, const std::wstring &section, const wchar_t *key,
                            DWORD capacity)
{
    std::vector<wchar_t> buffer(capacity);
    DWORD length = ReadConfigString(section.c_str(), key, buffer.data(), capacity);
    if (length + 1 >= capacity)
        SayIfCut(checker, section, key, length);
    return std::wstring(buffer.data(), length);
}

Fields SplitFields(const std::wstring &value)
{
    Fields fields;
    std::vector<wchar_t> text(value.begin(), value.end());
    text.push_back(0);
    CommaTokenizer tokens = StartTokens(text.data());
    while (const wchar_t *token = NextToken(&tokens))
        fields.tokens.push_back(token);
    size_t lastText = value.find_last_not_of(L',');
    fields.shifted =
        lastText != std::wstring::npos &&
        (value[0] == L',' || value.substr(0, lastText).find(L",,") != std::wstring::npos);
    return fields;
}

struct EntryShape {
    // As the loader takes them (COLOR_FIELDS); colour components past
    // `least` are an optional colour key.
    const wchar_t *fields;
    int least; // fewer fields are said with `tooFew`; the missing ones read as 0
    // %1 the key, %2 how many fields it has, %3 what the launcher reads, %4 how
    // many fields it takes at most.
    const wchar_t *tooFew;
    const wchar_t *tooMany;
};

// In the order of EntryKind.
static const EntryShape SHAPES[] = {
    {COLOR_FIELDS, 3, L"%1 has %2; a colour takes red,green,blue, read as %3",
     L"%1 has %2; a colour takes red,green,blue, read as %3"},
    {COMMAND_FIELDS, 1, L"%1 has no keyword, so the launcher takes it as CMD_BROWSE",
     L"%1 has %2; a command takes keyword,path,arguments and the rest is ignored (no field can "
     L"hold a comma)"},
    {LABEL_FIELDS, 3, L"%1 has %2; a label takes text,x,y and the missing numbers are 0",
     L"%1 has %2; a label takes text,x,y and the rest is ignored (no field can hold a comma)"},
    {BUTTON_FIELDS, 6,
     L"%1 has %2; a button takes normal,hot,x,y,width,height and an optional colour key "
     L"red,green,blue; the missing numbers are 0",
     L"%1 has %2; a button takes %4 and the rest is ignored (no field can hold a comma)"},
    {SOUND_FIELDS, 1, L"%1 holds only commas: the slot gets no sound at all",
     L"%1 has %2; only the first is used"},
};

void CheckEntry(Checker *checker, int line, const std::wstring &key, EntryKind kind,
                const Fields &fields, const std::wstring &readAs)
{
    const EntryShape &shape = SHAPES[kind];
    int count = static_cast<int>(fields.tokens.size());
    int most = lstrlenW(shape.fields);
    std::wstring counted = Number(count) + (count == 1 ? L" field" : L" fields");
    if (fields.shifted && !readAs.empty())
        Say(checker, line, LEVEL_WARNING,
            L"%1: an empty field is skipped and the later ones move up; read as %3",
            {key, counted, readAs});
    if (count < shape.least)
        Say(checker, line, LEVEL_WARNING, shape.tooFew, {key, counted, readAs});
    else if (count < most && shape.fields[count - 1] == L'C')
        Say(checker, line, LEVEL_WARNING,
            L"%1: the colour key has %2 of its 3 components; the missing ones are 0",
            {key, Number(count - shape.least)});
    else if (count > most)
        Say(checker, line, LEVEL_WARNING, shape.tooMany, {key, counted, readAs, Number(most)});
    for (int i = 0; i < count && i < most; i++) {
        size_t length = fields.tokens[i].size();
        if (shape.fields[i] == L'T' && length >= TEXT_CAPACITY)
            Say(checker, line, LEVEL_WARNING,
                L"%1: field %2 is %3 characters long; the launcher keeps only the first %4",
                {key, Number(i + 1), Number(length), Number(TEXT_CAPACITY - 1)});
    }
}

void CheckColorFields(Checker *checker, int line, const std::wstring &key, const Fields &fields,
                      size_t first)
{
    for (size_t i = first; i < first + COLOUR_COMPONENTS && i < fields.tokens.size(); i++) {
        int component = ReadNumber(fields.tokens[i].c_str());
        if (component < 0 || component > COMPONENT_MAX)
            Say(checker, line, LEVEL_WARNING,
                L"%1: colour component %2 is cut to its low 8 bits, %3",
                {key, Number(component), Number(component & COMPONENT_MAX)});
    }
}

DiscFile DescribeFile(const std::wstring &path)
{
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    bool present = attributes != INVALID_FILE_ATTRIBUTES;
    return DiscFile{path, present, present && (attributes & FILE_ATTRIBUTE_DIRECTORY)};
}

DiscFile FindOnDisc(const std::wstring &name)
{
    wchar_t path[TEXT_CAPACITY];
    return DescribeFile(JoinSourcePath(path, name.c_str()) ? path : L"");
}

// What each use takes, and what the launcher does when the path does not fit,
// when nothing of the kind is there, when it does not load: %1 the key, %2 the
// path, %3 a hint at a blank in the name, %4 the longest path.
struct FileRule {
    bool takesFile, takesFolder;
    const wchar_t *tooLong, *missing, *unloadable;
};

// In the order of FileUse.
static const FileRule FILE_RULES[] = {
    {true, false,
     L"the background's path is longer than %4 characters behind the disc root; the launcher "
     L"shows its built-in background instead, in a window of the built-in size",
     L"the background is not on the disc: %2%3; the launcher shows its built-in background "
     L"instead, in a window of the built-in size",
     L"the launcher cannot load %2 as a bitmap; the launcher shows its built-in background "
     L"instead, in a window of the built-in size"},
    // The launcher cuts the icon's path rather than refuse it.
    {true, false, nullptr,
     L"the icon file is not on the disc: %2%3; the launcher shows its built-in icon",
     L"%2 holds no icon; the launcher shows its built-in icon"},
    {false, true,
     L"%1: the folder's path is longer than %4 characters behind the disc root, so the button "
     L"does nothing",
     L"%1: the folder to explore is not on the disc: %2%3", nullptr},
    {true, true,
     L"%1: the path is longer than %4 characters behind the disc root, so the button does "
     L"nothing",
     L"%1: the file to open is not on the disc: %2%3", nullptr},
    {true, false,
     L"%1: the installer's command line is longer than %4 characters, so the button does "
     L"nothing",
     L"%1: the installer is not on the disc: %2%3; the launcher asks for the disc (Insert) until "
     L"it is there",
     nullptr},
    {true, false,
     L"%1: its path is longer than %4 characters behind the disc root; no image is drawn",
     L"%1: it is not on the disc: %2%3; no image is drawn",
     L"%1: the launcher cannot load %2 as a bitmap; no image is drawn"},
    {true, false,
     L"%1: the path is longer than %4 characters behind the disc root; the slot keeps no sound "
     L"of its own",
     L"%1: the sound is not on the disc: %2%3; Windows plays its default sound instead", nullptr},
};

void CheckFileUse(Checker *checker, int line, const std::wstring &key, const std::wstring &name,
                  const DiscFile &file, FileUse use, bool loaded)
{
    const FileRule &rule = FILE_RULES[use];
    bool there = (rule.takesFile && file.IsFile()) || (rule.takesFolder && file.folder);
    if (there && loaded)
        return;
    bool blank = !name.empty() && (name.front() == L' ' || name.back() == L' ');
    const wchar_t *text = file.path.empty() ? rule.tooLong : there ? rule.unloadable : rule.missing;
    Say(checker, line, LEVEL_ERROR, text,
        {key, Quote(file.path), blank ? L" (a blank next to a comma belongs to the name)" : L"",
         Number(TEXT_CAPACITY - 1)});
}

bool IsKindShown(int kind)
{
    for (const CommandSlot &slot : CommandTable) {
        if (slot.defined && slot.kind == kind)
            return true;
    }
    return false;
}

std::wstring SlotKey(int index)
{
    return CommandTable[index].key;
}

std::wstring ColorText(COLORREF color)
{
    return Number(GetRValue(color)) + L"," + Number(GetGValue(color)) + L"," +
           Number(GetBValue(color));
}
