// AUTORUN-CHECK: reads a disc's AUTORUN.INI with the launcher's own code and
// says what the launcher will do with it.
#pragma once

#include "ini_scan.h"
#include "report.h"
#include "startup/launcher_state.h"

#include <windows.h>

#include <string>
#include <vector>

struct CheckOptions {
    std::wstring target;   // a disc folder or an AUTORUN.INI; empty: the current folder
    std::wstring language; // --lang: check as a user of this language only
    std::wstring section = L"Setup";
    std::wstring label; // --label
    bool labelGiven = false;
    std::wstring previewFolder; // --preview
    int hotKey = 0;             // --hot: key number, 1 for cmd01; 0 for none
};

struct Checker {
    CheckOptions options;
    wchar_t iniPath[TEXT_CAPACITY];
    wchar_t sourceRoot[TEXT_CAPACITY];
    wchar_t volumeLabel[TEXT_CAPACITY];
    IniScan scan;
    Report report;
    HWND window;                    // hidden, of the checker's own class
    SIZE client;                    // client area of the launcher window as loaded
    std::wstring userLanguage;      // what the user's locale answered, or empty
    std::vector<std::wstring> done; // languages checked so far
    std::wstring tables;            // the button tables, one per language
};

// The user languages to check as, by default: every key of [Languages], then
// a user whose language is not listed (the empty answer).
std::vector<std::wstring> UserLanguagesToCheck(const Checker &checker);

// Sets up the launcher state as a fresh launcher would have it for a user whose
// locale answers `userLanguage` (empty: the locale gives no name), chooses the
// language by the launcher's rules, lays out the background and loads the
// slots and colours. Returns the chosen language.
std::wstring LoadAsUser(Checker *checker, const std::wstring &userLanguage);

// Frees what the last load made.
void ReleaseLoad();

// The hidden window the loads measure and load bitmaps with; null on failure.
HWND CreateCheckWindow();

// The length of a value as the profile reader holds it, whatever the buffer;
// 0 when absent or empty.
DWORD FullValueLength(const wchar_t *section, const wchar_t *key);

// The file as a whole: encoding, languages, settings, commands, unknown keys.
void CheckFile(Checker *checker);

// The language now loaded: labels, buttons, images, sounds, geometry, texts.
void CheckLoadedLanguage(Checker *checker);

// The button table of the language now loaded.
void AppendButtonTable(Checker *checker);

// Writes the previews of the language now loaded into the preview folder.
// 0 when a picture could not be written.
int WritePreviews(Checker *checker);

// Paints the client area as the launcher does into a 32-bit top-down pixel
// array of client.cx x client.cy, with slot `hotIndex` lit (-1: none).
std::vector<DWORD> PaintClientArea(SIZE client, int hotIndex);

// Reads `key` of `section` as the launcher does, into a buffer of `capacity`
// characters, and says so when the value does not fit and is cut.
std::wstring ReadAsLauncher(Checker *checker, const std::wstring &section, const wchar_t *key,
                            DWORD capacity);

// A comma list as the launcher's tokenizer splits it.
struct Fields {
    std::vector<std::wstring> tokens;
    bool shifted = false; // an empty field stands before a later one, which moves up
};
Fields SplitFields(const std::wstring &value);

// "1 field", "3 fields".
std::wstring FieldCount(size_t count);

// Says so when fields `first` to `first + count - 1` are longer than the
// slot's 259-character text fields, which cut them.
void CheckFieldLengths(Checker *checker, int line, const std::wstring &what, const Fields &fields,
                       int first, int count);

// Says so when one of the three colour components from field `first` on is
// cut to 8 bits.
void CheckColorFields(Checker *checker, int line, const std::wstring &what, const Fields &fields,
                      int first);

// Keys of `section` that the launcher never reads: not in `known`, and not a
// slot key (cmd01 to cmd30) or a sound key (cmd01_sound ...) where allowed.
void CheckUnknownKeys(Checker *checker, const std::wstring &section,
                      const std::vector<const wchar_t *> &known, bool slotKeys, bool soundKeys);

// The source root followed by `relative`, as the launcher joins them; empty
// when the joined path does not fit in 259 characters.
std::wstring DiscPath(const std::wstring &relative);

// " (the blank ... belongs to the name)" when `name` begins or ends with a blank.
std::wstring BlankHint(const std::wstring &name);

// Whether a file or a folder is at `path`.
bool IsFileAt(const std::wstring &path);
bool IsFolderAt(const std::wstring &path);

// Whether a shown slot runs a command of `kind`.
bool IsKindShown(int kind);

// The key of slot `index` ("cmd01" for 0).
std::wstring SlotKey(int index);

// Section names of the loaded state, as the loader builds them.
std::wstring DefinitionsSection();
std::wstring LabelSection();
std::wstring ButtonSection();
