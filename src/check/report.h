// What the checker tells the author: diagnostics in the form
// "FILE:LINE: error|warning|note: text", and plain output lines.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

enum Severity { LEVEL_NOTE, LEVEL_WARNING, LEVEL_ERROR };

// The checker's exit codes besides those of Summarize.
enum {
    EXIT_CLEAN = 0,
    EXIT_TROUBLE = 3, // bad arguments, an unreadable file, a preview not written
};

struct Diagnostic {
    int line; // 0: the file as a whole
    Severity severity;
    std::wstring text;
};

struct Report {
    std::wstring fileName;
    std::vector<Diagnostic> diagnostics;
    std::set<std::wstring> said; // line, level and text of each, to say each once
};

// Adds a diagnostic unless the same one (line, severity and text) was given
// already: every language is checked in turn and many findings repeat.
void Say(Report *report, int line, Severity severity, const std::wstring &text);

// Appends the diagnostics in line order, each on a line of its own, and a
// closing line that counts them to *text. Returns the exit code: 0 nothing
// found (notes do not count), 1 warnings only, 2 errors.
int Summarize(const Report &report, std::wstring *text);

// `text` with %1 to %9 replaced by `arguments`; every other character, '%'
// included, as it stands.
std::wstring Fill(const wchar_t *text, std::initializer_list<std::wstring> arguments);

// Text helpers for messages: a quoted text, a number, a rectangle.
std::wstring Quote(const std::wstring &text);
std::wstring Number(long long value);
std::wstring RectText(const RECT &rect);

// Writes text to standard output or error: UTF-16 to a console, UTF-8
// otherwise, in pieces that every console takes (older ones refuse a single
// write of more than about 26,000 characters). 0 when a piece was not written.
int WriteOut(const std::wstring &text);
int WriteError(const std::wstring &text);

enum : size_t { WRITE_PIECE = 8000 };

// How many characters of `text` from `start` the next piece holds: at most
// WRITE_PIECE, and never half a surrogate pair.
size_t MeasurePiece(const std::wstring &text, size_t start);
