#include "ini_scan.h"

#include <windows.h>

int ScanIniFile(const wchar_t *path, IniScan *scan)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::string bytes;
    char chunk[8192];
    DWORD read = 0;
    BOOL ok;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read)
        bytes.append(chunk, read);
    CloseHandle(file);
    if (!ok)
        return 0;
    ScanIniBytes(bytes, scan);
    return 1;
}

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

static bool IsValidUtf8(const std::string &bytes)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

static bool StartsWith(const std::string &bytes, const char *prefix, size_t length)
{
    return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

static void NoteFirstNonAscii(const std::string &bytes, IniScan *scan)
{
    size_t lineStart = 0;
    int line = 1;
    for (size_t i = 0; i < bytes.size(); i++) {
        unsigned char c = bytes[i];
        if (c == '\n') {
            line++;
            lineStart = i + 1;
        } else if (c >= 0x80) {
            size_t end = bytes.find('\n', i);
            if (end == std::string::npos)
                end = bytes.size();
            const char *start = bytes.data() + lineStart;
            int count = static_cast<int>(end - lineStart);
            if (count && start[count - 1] == '\r')
                count--;
            scan->firstNonAsciiLine = line;
            scan->nonAsciiAsUtf8 = Decode(CP_UTF8, start, count);
            scan->nonAsciiAsAnsi = Decode(CP_ACP, start, count);
            return;
        }
    }
}

// The text as the profile reader sees it: a byte-order mark decides; without
// one the bytes are taken in the ANSI code page.
static std::wstring DetectAndDecode(const std::string &bytes, IniScan *scan)
{
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        scan->encoding = ENCODING_UTF16LE;
        return DecodeUtf16(bytes, false);
    }
    if (StartsWith(bytes, "\xFE\xFF", 2)) {
        scan->encoding = ENCODING_UTF16BE;
        return DecodeUtf16(bytes, true);
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        scan->encoding = ENCODING_UTF8_BOM;
        return Decode(CP_UTF8, bytes.data() + 3, static_cast<int>(bytes.size() - 3));
    }
    if (bytes.find('\0') != std::string::npos) {
        scan->encoding = ENCODING_UTF16_BARE;
        return std::wstring();
    }
    bool ascii = true;
    for (unsigned char c : bytes)
        ascii = ascii && c < 0x80;
    if (ascii)
        scan->encoding = ENCODING_ASCII;
    else
        scan->encoding = IsValidUtf8(bytes) ? ENCODING_UTF8 : ENCODING_ANSI;
    if (!ascii)
        NoteFirstNonAscii(bytes, scan);
    return Decode(CP_ACP, bytes.data(), static_cast<int>(bytes.size()));
}

static std::wstring Trim(const std::wstring &text)
{
    size_t start = text.find_first_not_of(L" \t\r");
    if (start == std::wstring::npos)
        return std::wstring();
    size_t end = text.find_last_not_of(L" \t\r");
    return text.substr(start, end - start + 1);
}

void ScanIniBytes(const std::string &bytes, IniScan *scan)
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
        std::wstring content = Trim(text.substr(start, end - start));
        line++;
        start = end + 1;
        if (content.empty() || content[0] == L';')
            continue;
        if (content[0] == L'[') {
            size_t close = content.find(L']');
            section = Trim(content.substr(1, close == std::wstring::npos ? close : close - 1));
            scan->sections.push_back(IniSection{section, line});
            continue;
        }
        size_t equals = content.find(L'=');
        if (equals == std::wstring::npos)
            continue;
        scan->entries.push_back(IniEntry{section, Trim(content.substr(0, equals)),
                                         Trim(content.substr(equals + 1)), line});
    }
}

bool SameName(const std::wstring &a, const wchar_t *b)
{
    return lstrcmpiW(a.c_str(), b) == 0;
}

const IniSection *FindSection(const IniScan &scan, const wchar_t *section)
{
    for (const IniSection &found : scan.sections) {
        if (SameName(found.name, section))
            return &found;
    }
    return nullptr;
}

std::vector<const IniEntry *> FindEntries(const IniScan &scan, const wchar_t *section,
                                          const wchar_t *key)
{
    std::vector<const IniEntry *> found;
    for (const IniEntry &entry : scan.entries) {
        if (SameName(entry.section, section) && SameName(entry.key, key))
            found.push_back(&entry);
    }
    return found;
}

int SectionLine(const IniScan &scan, const wchar_t *section)
{
    const IniSection *header = FindSection(scan, section);
    return header ? header->line : 0;
}

int LineOf(const IniScan &scan, const wchar_t *section, const wchar_t *key)
{
    std::vector<const IniEntry *> entries = FindEntries(scan, section, key);
    return entries.empty() ? SectionLine(scan, section) : entries[0]->line;
}
