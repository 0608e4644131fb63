// The lines of a configuration file: where each section and key stands, and
// how the file is encoded. Line numbers only; what a value means is always
// asked of the profile reader itself.
#pragma once

#include <string>
#include <vector>

enum TextEncoding {
    ENCODING_ASCII,     // no byte above 127: the same in every code page
    ENCODING_UTF8,      // valid UTF-8 with non-ASCII text, no byte-order mark
    ENCODING_UTF8_BOM,  // starts with the UTF-8 byte-order mark
    ENCODING_UTF16LE,   // starts with the UTF-16 little-endian byte-order mark
    ENCODING_UTF16BE,   // starts with the UTF-16 big-endian byte-order mark
    ENCODING_ANSI,      // non-ASCII bytes that are not UTF-8: some ANSI code page
    ENCODING_UTF16_BARE // NUL bytes without a byte-order mark: UTF-16 no reader detects
};

struct IniSection {
    std::wstring name;
    int line;
};

struct IniEntry {
    std::wstring section;
    std::wstring key;
    int line;
};

// No real disc comes near it; beyond it a file is refused rather than read.
enum : unsigned long long { INI_SIZE_LIMIT = 1 << 20 };

struct IniScan {
    std::string bytes;           // the file as read
    unsigned long long size = 0; // its size in bytes, also when it is refused
    TextEncoding encoding = ENCODING_ASCII;
    // First line with a character above 127, for UTF-8 and ANSI files; 0 when none.
    int firstNonAsciiLine = 0;
    std::wstring nonAsciiAsUtf8; // that line as the author wrote it (UTF-8 files)
    std::wstring nonAsciiAsAnsi; // that line as the ANSI code page reads it
    std::vector<IniSection> sections;
    std::vector<IniEntry> entries;
};

// Reads the file through a handle that shares it with any writer, and scans
// it. 0 when it cannot be read or holds more than INI_SIZE_LIMIT bytes.
int ScanIniFile(const wchar_t *path, IniScan *scan);

// The text without the blanks around it, as the launcher's trim leaves it.
std::wstring Trimmed(const std::wstring &text);

// Names compare as the profile reader compares them: each character in its
// upper-case form.
std::wstring FoldName(const std::wstring &name);
bool SameName(const std::wstring &a, const wchar_t *b);

// The line of the section's first header; 0 when there is none.
int SectionLine(const IniScan &scan, const wchar_t *section);

// The line of the first entry `key` in `section`; 0 when there is none.
int EntryLine(const IniScan &scan, const wchar_t *section, const wchar_t *key);

// EntryLine, else the line of the section's header, else 0.
int LineOf(const IniScan &scan, const wchar_t *section, const wchar_t *key);
