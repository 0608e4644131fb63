// AUTORUN-CHECK: reads a disc's AUTORUN.INI with the launcher's own code and
// says what the launcher will do with it.
#pragma once

#include "config/config_names.h"
#include "ini_scan.h"
#include "report.h"

#include <windows.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

// The launcher's file name on a disc.
inline constexpr wchar_t LAUNCHER_NAME[] = L"AUTORUN.EXE";

struct CheckOptions {
    std::wstring target;   // a disc folder or an AUTORUN.INI; empty: the current folder
    std::wstring language; // --lang: check as a user of this language only
    std::wstring section = SECTION_SETUP;
    std::wstring label; // --label
    bool labelGiven = false;
    std::wstring previewFolder; // --preview
    int hotKey = 0;             // --hot: key number, 1 for cmd01; 0 for none
    bool highContrast = false;  // --high-contrast: previews in the system's colours
    bool tryDisc = false;       // --try
    std::vector<int> scales;    // --scale: previews (or the try window) at these percentages
    std::wstring autorunInf;    // --autorun-inf: the file to write it to
    std::wstring readingOrder;  // --reading-order: the file to write it to
    bool help = false;
};

// What the checker found so far. The file, the disc root and the label are
// those of `launcher`, which each load sets up as a fresh launcher has it.
struct Checker {
    CheckOptions options;
    std::wstring file;           // the author's AUTORUN.INI, as found
    IniScan scan;
    Report report;
    HWND window;                       // hidden, of the checker's own class
    SIZE client;                       // client area of the launcher window as loaded
    std::wstring userLanguage;         // what the user's locale answered, or empty
    std::set<std::wstring> done;       // languages checked so far, folded
    std::wstring tables;               // the button tables, one per language
    std::set<std::wstring> scaleNoted; // images already said to lack a 200 % variant, folded
    // What the first paint reads for a user of an unlisted language, in
    // order: how make-disc.sh lays out the disc. Full paths.
    std::vector<std::wstring> layout;
};

// Says `text`, with %1 to %9 replaced by `arguments`, about line `line`.
void Say(Checker *checker, int line, Severity severity, const wchar_t *text,
         std::initializer_list<std::wstring> arguments = {});

// Writes `bytes`, the author's AUTORUN.INI as read, to a file of the
// checker's own and points `launcher.iniPath` at it, deleting the one it
// replaces. 0 when it cannot be written; then `iniPath` is left as it is.
int PlaceSnapshot(const std::string &bytes);
void DeleteSnapshot();

// The user languages to check as, by default: every key of [Languages], then
// a user whose language is not listed (the empty answer).
std::vector<std::wstring> UserLanguagesToCheck(const Checker &checker);

// Sets up the launcher state as a fresh launcher would have it for a user whose
// locale answers `userLanguage` (empty: the locale gives no name), chooses the
// language by the launcher's rules, lays out the background and loads the
// slots and colours. Returns the chosen language.
// All at `dpi`: the configuration's 96 unless a preview asks for a scale.
std::wstring LoadAsUser(Checker *checker, const std::wstring &userLanguage, int dpi = 96);

// Loads as a user of an unlisted language, keeps what the first paint reads
// as the layout, and writes the files of --reading-order and --autorun-inf.
// 0 when one of them cannot be written.
int PlanDisc(Checker *checker);

// The line of the button table that says what the first paint of the
// language now loaded reads, and how long that takes from a disc.
std::wstring FirstPaintCost(const Checker &checker);

// Each slot's place in the round that Up, Down and Tab make, 1 for the first,
// asked of the launcher's own stepping; 0 where the keys never stop.
std::vector<int> KeyPlaces();

// A note when the first paint of the language now loaded reads more than 4 MiB.
void NoteHeavyFirstPaint(Checker *checker);

// Frees what the last load made; the file, the root and the label stay.
void ReleaseLoad();

// The hidden window the loads measure and load bitmaps with; null on failure.
HWND CreateCheckWindow();

// The file as a whole: encoding, languages, settings, commands, unknown keys.
void CheckFile(Checker *checker);

// The language now loaded: labels, buttons, images, sounds, geometry, texts.
void CheckLoadedLanguage(Checker *checker);

// Keys of `section` that the launcher never reads: not in `known` (a list
// ending in null, or none), and not a slot key (cmd01 to cmd30) or a sound key
// (cmd01_sound ...) where allowed.
void CheckUnknownKeys(Checker *checker, const std::wstring &section, const wchar_t *const *known,
                      bool slotKeys, bool soundKeys);

// The button table of the language now loaded.
void AppendButtonTable(Checker *checker);

struct CommandPlan;
// What the launcher hands to the shell or starts for a command, with the full
// paths: the words of the button table.
std::wstring WhatItRuns(const CommandPlan &plan);

// A whole check of the disc, printed; its exit code.
typedef int (*CheckRun)(Checker *checker);

// --try: runs `check` on the disc, then shows the launcher's own window on it
// with its commands printed instead of run, checking and reloading whenever a
// file below the root changes. 0 when the window is closed, 3 when the disc
// cannot be read or the window cannot be made.
int TryDisc(Checker *checker, CheckRun check);

// Writes the previews of the language now loaded into the preview folder.
// 0 when a picture could not be written.
int WritePreviews(Checker *checker);

// The background of the client area alone, as the launcher paints it under
// the slots: 32-bit pixels, top-down rows; empty when it cannot be painted.
std::vector<DWORD> PaintBackgroundPixels(SIZE client);

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

// The scale variants beside the image `file`, named `name` by `what`: a
// warning for one whose size is not the plain file's times its scale, a note
// (once per image) when none serves a 200 % display.
void CheckScaleVariants(Checker *checker, int line, const std::wstring &what,
                        const std::wstring &name, const DiscFile &file);

// The variants beside the file `path`, as " @1.5x @2x"; empty when there are none.
std::wstring VariantList(const std::wstring &path);

// Whether a shown slot runs a command of `kind`.
bool IsKindShown(int kind);

// The key of slot `index` ("cmd01" for 0).
std::wstring SlotKey(int index);

// A colour as "red,green,blue".
std::wstring ColorText(COLORREF color);
