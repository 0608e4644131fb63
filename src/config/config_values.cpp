#include "config_values.h"

#include "../state/launcher_state.h"

#include <limits.h>
#include <wctype.h>

DWORD ReadConfigString(const wchar_t *section, const wchar_t *key, wchar_t *buffer, DWORD capacity)
{
    if (capacity == 0)
        return 0;
    buffer[0] = 0;
    if (!launcher.iniPath[0] || !section || !section[0])
        return 0;
    return GetPrivateProfileStringW(section, key, L"", buffer, capacity, launcher.iniPath);
}

// The upper-case form of the ASCII letters a to z; every other character as it is.
static wchar_t FoldAsciiCase(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

static bool IsPlainKeyCharacter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
           c == L'_';
}

int MatchesIgnoringAsciiCase(const wchar_t *text, int length, const wchar_t *word)
{
    int i = 0;
    while (i < length && word[i] && FoldAsciiCase(text[i]) == FoldAsciiCase(word[i]))
        i++;
    return i == length && !word[i];
}

static bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r';
}

const wchar_t *TrimBlanks(const wchar_t *text, int *length)
{
    while (IsBlank(*text))
        text++;
    int n = lstrlenW(text);
    while (n > 0 && IsBlank(text[n - 1]))
        n--;
    *length = n;
    return text;
}

void ReadSectionKeys(const wchar_t *section, SectionKeys *keys)
{
    keys->section = section;
    keys->usable = 0;
    keys->names[0] = 0;
    if (!launcher.iniPath[0] || !section || !section[0])
        return;
    DWORD length = GetPrivateProfileStringW(section, nullptr, L"", keys->names,
                                            SECTION_KEYS_CAPACITY, launcher.iniPath);
    if (length >= SECTION_KEYS_CAPACITY - 2)
        return;
    // The reader matches names without regard to case; only for plain letters
    // is that the same as the comparison below.
    for (const wchar_t *name = keys->names; *name; name += lstrlenW(name) + 1) {
        int n;
        const wchar_t *trimmed = TrimBlanks(name, &n);
        for (int i = 0; i < n; i++) {
            if (!IsPlainKeyCharacter(trimmed[i]))
                return;
        }
    }
    keys->usable = 1;
}

static bool IsListed(const SectionKeys &keys, const wchar_t *key)
{
    for (const wchar_t *name = keys.names; *name; name += lstrlenW(name) + 1) {
        int n;
        const wchar_t *trimmed = TrimBlanks(name, &n);
        if (MatchesIgnoringAsciiCase(trimmed, n, key))
            return true;
    }
    return false;
}

DWORD ReadListedValue(const SectionKeys &keys, const wchar_t *key, wchar_t *buffer, DWORD capacity)
{
    if (keys.usable && !IsListed(keys, key)) {
        if (capacity)
            buffer[0] = 0;
        return 0;
    }
    return ReadConfigString(keys.section, key, buffer, capacity);
}

CommaTokenizer StartTokens(wchar_t *text)
{
    return CommaTokenizer{text};
}

wchar_t *NextToken(CommaTokenizer *tokens)
{
    wchar_t *p = tokens->next;
    if (!p)
        return nullptr;
    while (*p == L',')
        p++;
    if (!*p) {
        tokens->next = nullptr;
        return nullptr;
    }
    wchar_t *token = p;
    while (*p && *p != L',')
        p++;
    if (*p) {
        *p = 0;
        tokens->next = p + 1;
    } else {
        tokens->next = nullptr;
    }
    return token;
}

int ReadNumber(const wchar_t *token)
{
    if (!token)
        return 0;
    while (iswspace(*token))
        token++;
    bool negative = false;
    if (*token == L'+' || *token == L'-')
        negative = *token++ == L'-';
    // Unsigned arithmetic wraps instead of overflowing on absurdly long digit runs.
    unsigned value = 0;
    while (*token >= L'0' && *token <= L'9')
        value = value * 10u + static_cast<unsigned>(*token++ - L'0');
    return static_cast<int>(negative ? 0u - value : value);
}

int AddClamped(int a, int b)
{
    long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX)
        return INT_MAX;
    if (sum < INT_MIN)
        return INT_MIN;
    return static_cast<int>(sum);
}

COLORREF ReadColorTokens(CommaTokenizer *tokens)
{
    unsigned red = ReadNumber(NextToken(tokens)) & 0xFF;
    unsigned green = ReadNumber(NextToken(tokens)) & 0xFF;
    unsigned blue = ReadNumber(NextToken(tokens)) & 0xFF;
    return RGB(red, green, blue);
}

COLORREF ReadColorKey(const wchar_t *key)
{
    wchar_t value[TEXT_CAPACITY];
    ReadConfigString(launcher.activeSection, key, value, TEXT_CAPACITY);
    CommaTokenizer tokens = StartTokens(value);
    return ReadColorTokens(&tokens);
}
