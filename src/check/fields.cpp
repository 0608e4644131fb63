#include "checker.h"

#include "config/command_table.h"
#include "config/config_values.h"

std::wstring ReadAsLauncher(Checker *checker, const std::wstring &section, const wchar_t *key,
                            DWORD capacity)
{
    std::vector<wchar_t> buffer(capacity);
    DWORD length = ReadConfigString(section.c_str(), key, buffer.data(), capacity);
    if (length + 1 >= capacity) {
        DWORD full = FullValueLength(section.c_str(), key);
        if (full > length)
            Say(&checker->report, LineOf(checker->scan, section.c_str(), key), LEVEL_WARNING,
                std::wstring(key) + L" is " + Number(full) +
                    L" characters long; the launcher reads "
                    L"only the first " +
                    Number(length));
    }
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

void CheckFieldLengths(Checker *checker, int line, const std::wstring &what, const Fields &fields,
                       int first, int count)
{
    for (int i = first; i < first + count && i < static_cast<int>(fields.tokens.size()); i++) {
        size_t length = fields.tokens[i].size();
        if (length >= TEXT_CAPACITY)
            Say(&checker->report, line, LEVEL_WARNING,
                what + L": field " + Number(i + 1) + L" is " + Number(length) +
                    L" characters long; the launcher keeps only the first " +
                    Number(TEXT_CAPACITY - 1));
    }
}

std::wstring FieldCount(size_t count)
{
    return Number(count) + (count == 1 ? L" field" : L" fields");
}

std::wstring DiscPath(const std::wstring &relative)
{
    wchar_t path[TEXT_CAPACITY];
    if (!JoinText(path, TEXT_CAPACITY, launcher.sourceRoot, relative.c_str()))
        return std::wstring();
    return path;
}

std::wstring BlankHint(const std::wstring &name)
{
    if (!name.empty() && (name.front() == L' ' || name.back() == L' '))
        return L" (a blank next to a comma belongs to the name)";
    return std::wstring();
}

bool IsFileAt(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolderAt(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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
