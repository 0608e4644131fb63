// Entries and the files they name, as the launcher reads and finds them.
#pragma once

#include "checker.h"

#include <string>
#include <vector>

// Reads `key` of `section` as the launcher does, into a buffer of `capacity`
// characters, and says so when the value does not fit and is cut.
std::wstring ReadAsLauncher(Checker *checker, const std::wstring &section, const wchar_t *key,
                            DWORD capacity);

// Says so when the value of `key` is longer than the `length` characters that
// the launcher read of it.
void SayIfCut(Checker *checker, const std::wstring &section, const wchar_t *key, DWORD length);

// A comma list as the launcher's tokenizer splits it.
struct Fields {
    std::vector<std::wstring> tokens;
    bool shifted = false; // an empty field stands before a later one, which moves up
};
Fields SplitFields(const std::wstring &value);

// The kinds of entry and how the launcher reads their fields.
enum EntryKind { COLOUR_ENTRY, COMMAND_ENTRY, LABEL_ENTRY, BUTTON_ENTRY, SOUND_ENTRY };

// Checks the fields of entry `key` against its kind: an empty field, too few
// or too many fields, text fields that the slot cuts. `readAs` says what the
// launcher makes of the entry; empty: a shift goes unsaid.
void CheckEntry(Checker *checker, int line, const std::wstring &key, EntryKind kind,
                const Fields &fields, const std::wstring &readAs);

// Says so when one of the three colour components from field `first` on is
// cut to 8 bits.
void CheckColorFields(Checker *checker, int line, const std::wstring &key, const Fields &fields,
                      size_t first);

// A file that the configuration names, as the launcher finds it.
struct DiscFile {
    std::wstring path; // empty: the name does not fit behind the disc root
    bool present;      // a file or a folder is there
    bool folder;

    bool IsFile() const { return present && !folder; }
};
DiscFile DescribeFile(const std::wstring &path);
// `name` behind the disc root, as the launcher joins them.
DiscFile FindOnDisc(const std::wstring &name);

// What the launcher takes a file on the disc for.
enum FileUse { BACKGROUND, ICON, FOLDER_TO_EXPLORE, FILE_TO_OPEN, INSTALLER, IMAGE, SOUND };

// Says why the launcher cannot take `file`, named `name` by `key`, for `use`:
// its path does not fit, nothing of the kind is there, or it is there but not
// `loaded`. Nothing when the file serves.
void CheckFileUse(Checker *checker, int line, const std::wstring &key, const std::wstring &name,
                  const DiscFile &file, FileUse use, bool loaded = true);

// Whether a shown slot runs a command of `kind`.
bool IsKindShown(int kind);

// The key of slot `index` ("cmd01" for 0).
std::wstring SlotKey(int index);

// A colour as "red,green,blue".
std::wstring ColorText(COLORREF color);
