// Reading values of the configuration: texts, comma lists, numbers, colours.
#pragma once

#include <windows.h>

// Reads `key` of `section` from the configuration file in use (the working copy
// once it exists). Returns the number of characters delivered; 0 means the key
// is missing or empty. A missing file name or section name reads nothing.
DWORD ReadConfigString(const wchar_t *section, const wchar_t *key, wchar_t *buffer, DWORD capacity);

// 1 when the first `length` characters of `text` are the whole of `word`, the
// ASCII letters compared without regard to case.
int MatchesIgnoringAsciiCase(const wchar_t *text, int length, const wchar_t *word);

// `text` without the blanks, tabs and carriage returns at either end, which the
// profile reader drops around names: the start and, in *length, how many
// characters remain.
const wchar_t *TrimBlanks(const wchar_t *text, int *length);

// The key names of one section of the configuration in use, read in one call,
// so that a key the section lacks costs no read of its own.
enum { SECTION_KEYS_CAPACITY = 2048 };
struct SectionKeys {
    const wchar_t *section;
    wchar_t names[SECTION_KEYS_CAPACITY];
    // 0 when the list might not say what a read of each key would (cut short,
    // or a name the profile reader could match other than by plain letters):
    // then every key is read.
    int usable;
};
void ReadSectionKeys(const wchar_t *section, SectionKeys *keys);

// ReadConfigString of `key` (letters, digits and underscores) in the section
// of `keys`; a key the list shows to be absent reads as missing, unread.
DWORD ReadListedValue(const SectionKeys &keys, const wchar_t *key, wchar_t *buffer, DWORD capacity);

// Splits a writable text on commas: a leading comma and a run of commas count as
// one separator, so empty fields are skipped; fields are not trimmed.
struct CommaTokenizer {
    wchar_t *next;
};

CommaTokenizer StartTokens(wchar_t *text);
// The next field, or null when there is none.
wchar_t *NextToken(CommaTokenizer *tokens);

// Decimal number: leading white space, optional sign, digits up to the first
// non-digit. Null or no digits give 0.
int ReadNumber(const wchar_t *token);

// a + b held to the range of int: configuration numbers may lie anywhere in
// it, and the edges built from them must stay defined.
int AddClamped(int a, int b);

// The fields of an entry, one letter a field in the order the loader takes
// them: K a command keyword, T a text kept in TEXT_CAPACITY characters, F a
// file name, N a number, C a colour component. A colour's own:
inline constexpr wchar_t COLOR_FIELDS[] = L"CCC";

// Three numbers red, green, blue from the tokenizer, each cut to 8 bits; a
// missing one is 0.
COLORREF ReadColorTokens(CommaTokenizer *tokens);

// Colour of `key` in the active section; absent or empty gives black.
COLORREF ReadColorKey(const wchar_t *key);
