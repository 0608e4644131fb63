#include "ini_scan.h"

#include "config/config_values.h"

#include <windows.h>

#include <algorithm>

static std::wstring Decode(UINT codePage, const char *bytes, int count)
{
    if (count <= 0)
        return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, bytes, count, nullptr, 0);
    std::wstring text(length, L'\0');
    if (length)
        MultiByteToWideChar(codePage, 0, bytes, count, &text[0], length);
    return text;
}

static std::wstring DecodeUtf16(const std::string &bytes, bool bigEndian)
{
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned char first = bytes[i], second = bytes[i + 1];
        text += static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

// The first line with a byte above 127, as the author wrote it and as the ANSI
// code page reads it.
static void NoteFirstNonAscii(const std::string &bytes, size_t at, IniScan *scan)
{
    size_t start = bytes.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end;
    if (bytes[end - 1] == '\r')
        end--;
    int count = static_cast<int>(end - start);
    scan->firstNonAsciiLine = 1 + static_cast<int>(std::count(&bytes[0], &bytes[start], '\n'));
    scan->nonAsciiAsUtf8 = Decode(CP_UTF8, bytes.data() + start, count);
    scan->nonAsciiAsAnsi = Decode(CP_ACP, bytes.data() + start, count);
}

// The text as the profile reader sees it: a byte-order mark decides; without
// one the bytes are taken in the ANSI code page.
static std::wstring DetectAndDecode(const std::string &bytes, IniScan *scan)
{
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        scan->encoding = ENCODING_UTF16LE;
        return DecodeUtf16(bytes, false);
    }
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) {
        scan->encoding = ENCODING_UTF16BE;
        return DecodeUtf16(bytes, true);
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        scan->encoding = ENCODING_UTF8_BOM;
        return Decode(CP_UTF8, bytes.data() + 3, static_cast<int>(bytes.size() - 3));
    }
    if (bytes.find('\0') != std::string::npos) {
        scan->encoding = ENCODING_UTF16_BARE;
        return std::wstring();
    }
    size_t nonAscii = 0;
    while (nonAscii < bytes.size() && static_cast<unsigned char>(bytes[nonAscii]) < 0x80)
        nonAscii++;
    scan->encoding = ENCODING_ASCII;
    if (nonAscii < bytes.size()) {
        bool utf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(bytes.size()), nullptr, 0) > 0;
        scan->encoding = utf8 ? ENCODING_UTF8 : ENCODING_ANSI;
        NoteFirstNonAscii(bytes, nonAscii, scan);
    }
    return Decode(CP_ACP, bytes.data(), static_cast<int>(bytes.size()));
}

std::wstring Trimmed(const std::wstring &text)
{
    int length;
    const wchar_t *start = TrimBlanks(text.c_str(), &length);
    return std::wstring(start, length);
}

// Detects the encoding, decodes the text as the platform's profile reader
// does and records sections and entries.
static void ScanIniBytes(const std::string &bytes, IniScan *scan)
{
    *scan = IniScan();
    std::wstring text = DetectAndDecode(bytes, scan);
    std::wstring section;
    int line = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring content = Trimmed(text.substr(start, end - start));
        line++;
        start = end + 1;
        if (content.empty() || content[0] == L';')
            continue;
        if (content[0] == L'[') {
            size_t close = content.find(L']');
            section = Trimmed(content.substr(1, close == std::wstring::npos ? close : close - 1));
            scan->sections.push_back(IniSection{section, line});
            continue;
        }
        size_t equals = content.find(L'=');
        if (equals == std::wstring::npos)
            continue;
        scan->entries.push_back(IniEntry{section, Trimmed(content.substr(0, equals)), line});
    }
}

int ScanIniFile(const wchar_t *path, IniScan *scan)
{
    *scan = IniScan();
    // An editor may save the file while it is read, by writing it or by
    // renaming another file over it: neither may fail because of the checker.
    HANDLE file = CreateFileW(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    BOOL ok = GetFileSizeEx(file, &size);
    bool tooLarge = ok && static_cast<ULONGLONG>(size.QuadPart) > INI_SIZE_LIMIT;
    std::string bytes;
    char chunk[8192];
    DWORD read = 0;
    // The file may grow while it is read: a chunk past the limit is the most read.
    while (ok && !tooLarge && (ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read) {
        bytes.append(chunk, read);
        tooLarge = bytes.size() > INI_SIZE_LIMIT;
    }
    CloseHandle(file);
    if (ok && !tooLarge)
        ScanIniBytes(bytes, scan);
    scan->size = std::max<unsigned long long>(size.QuadPart, bytes.size());
    if (!ok || tooLarge)
        return 0;
    scan->bytes.swap(bytes);
    return 1;
}

static wchar_t FoldCharacter(wchar_t c)
{
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<wchar_t *>(static_cast<ULONG_PTR>(c)))));
}

std::wstring FoldName(const std::wstring &name)
{
    std::wstring folded = name;
    for (wchar_t &c : folded)
        c = FoldCharacter(c);
    return folded;
}

bool SameName(const std::wstring &a, const wchar_t *b)
{
    return FoldName(a) == FoldName(b);
}

int SectionLine(const IniScan &scan, const wchar_t *section)
{
    for (const IniSection &found : scan.sections) {
        if (SameName(found.name, section))
            return found.line;
    }
    return 0;
}

int EntryLine(const IniScan &scan, const wchar_t *section, const wchar_t *key)
{
    for (const IniEntry &entry : scan.entries) {
        if (SameName(entry.section, section) && SameName(entry.key, key))
            return entry.line;
    }
    return 0;
}

int LineOf(const IniScan &scan, const wchar_t *section, const wchar_t *key)
{
    int line = EntryLine(scan, section, key);
    return line ? line : SectionLine(scan, section);
}
