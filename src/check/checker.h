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
    std::wstring file; // the author's AUTORUN.INI, as found
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
