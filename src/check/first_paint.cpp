// What the launcher reads from the disc up to its first paint and what that
// costs on a real disc; and the two files that make-disc.sh asks for: the
// order to lay those files out in, and the autorun.inf that starts the launcher.
#include "first_paint.h"
#include "entries.h"
#include "load.h"

#include "config/config_values.h"
#include "state/launcher_state.h"
#include "window/window.h"

// A disc drive as the cost is modelled: every seek takes SEEK_MS, then the
// data streams at the drive's rate.
enum { SEEK_MS = 90 };
struct Drive {
    const wchar_t *name;
    double bytesPerMs;
};
static const Drive DRIVES[] = {{L"an 8x DVD", 11000.0}, {L"a 24x CD", 3600.0}};
static const ULONGLONG HEAVY_FIRST_PAINT = 4ull << 20;

struct DiscRead {
    std::wstring path;         // full, as the platform resolves the name
    std::wstring section, key; // what names the file; empty for the program and AUTORUN.INI
    ULONGLONG bytes;
};

// Adds the file at `path` unless it is missing, a folder or read already
// (then it comes from the cache).
static void AddRead(std::vector<DiscRead> *reads, const wchar_t *path, const wchar_t *section,
                    const wchar_t *key)
{
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!length || length >= MAX_PATH ||
        !GetFileAttributesExW(full, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    for (const DiscRead &read : *reads) {
        if (SameName(read.path, full))
            return;
    }
    reads->push_back(DiscRead{
        full, section, key, static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow});
}

static void TakeRead(void *context, const wchar_t *path, const wchar_t *section, const wchar_t *key)
{
    AddRead(static_cast<std::vector<DiscRead> *>(context), path, section, key);
}

static std::wstring FolderOf(const std::wstring &path)
{
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// For the language now loaded, in reading order: the program beside the
// author's AUTORUN.INI `ini`, AUTORUN.INI, then what the window reads.
static std::vector<DiscRead> ListFirstPaintReads(const std::wstring &ini)
{
    std::vector<DiscRead> reads;
    AddRead(&reads, (FolderOf(ini) + LAUNCHER_NAME).c_str(), L"", L"");
    AddRead(&reads, ini.c_str(), L"", L"");
    ListFirstPaintFiles(TakeRead, &reads);
    return reads;
}

// `path` from the disc root on; empty when it lies outside the root.
static std::wstring RelativeToRoot(const std::wstring &path)
{
    wchar_t root[MAX_PATH];
    DWORD length = GetFullPathNameW(launcher.sourceRoot, MAX_PATH, root, nullptr);
    if (!length || length >= MAX_PATH || path.size() <= length ||
        !SameName(path.substr(0, length), root))
        return std::wstring();
    return path.substr(length);
}

// A seek for the first file and for each one that does not follow the one
// before it in the disc's layout.
static int CountSeeks(const std::vector<DiscRead> &reads, const std::vector<std::wstring> &layout)
{
    int seeks = 0;
    size_t previous = layout.size();
    for (const DiscRead &read : reads) {
        size_t at = 0;
        while (at < layout.size() && !SameName(layout[at], read.path.c_str()))
            at++;
        if (at == layout.size() || previous + 1 != at)
            seeks++;
        previous = at;
    }
    return seeks;
}

static std::wstring Milliseconds(double ms)
{
    return Number(static_cast<long long>(ms + 0.5)) + L" ms";
}

static std::wstring Mebibytes(ULONGLONG bytes)
{
    wchar_t text[32];
    int tenths = static_cast<int>((bytes * 10 + (1 << 19)) >> 20);
    wsprintfW(text, L"%d.%d MiB", tenths / 10, tenths % 10);
    return text;
}

struct PaintCost {
    std::vector<DiscRead> reads;
    ULONGLONG bytes = 0;
    int seeks = 0;
    std::wstring times; // "… ms from an 8x DVD, … ms from a 24x CD"
};

static PaintCost CostFirstPaint(const Checker &checker)
{
    PaintCost cost;
    cost.reads = ListFirstPaintReads(checker.file);
    for (const DiscRead &read : cost.reads)
        cost.bytes += read.bytes;
    cost.seeks = CountSeeks(cost.reads, checker.layout);
    for (const Drive &drive : DRIVES) {
        double ms = cost.seeks * SEEK_MS + static_cast<double>(cost.bytes) / drive.bytesPerMs;
        cost.times +=
            (cost.times.empty() ? L"" : L", ") + Milliseconds(ms) + L" from " + drive.name;
    }
    return cost;
}

std::wstring FirstPaintCost(const Checker &checker)
{
    PaintCost cost = CostFirstPaint(checker);
    return Fill(L"  first paint reads %1 file(s), %2 bytes: %3, laid out by make-disc.sh (%4 "
                L"seek(s))\n",
                {Number(cost.reads.size()), Number(static_cast<long long>(cost.bytes)), cost.times,
                 Number(cost.seeks)});
}

void NoteHeavyFirstPaint(Checker *checker)
{
    PaintCost cost = CostFirstPaint(*checker);
    if (cost.bytes <= HEAVY_FIRST_PAINT)
        return;
    const DiscRead *largest = &cost.reads[0];
    for (const DiscRead &read : cost.reads)
        largest = read.bytes > largest->bytes ? &read : largest;
    int line = largest->key.empty()
                   ? 0
                   : LineOf(checker->scan, largest->section.c_str(), largest->key.c_str());
    Say(checker, line, LEVEL_NOTE,
        L"the first paint in %1 reads %2, more than 4 MiB: %3; the largest file is %4 (%5). "
        L"Fewer colours, or an 8-bit RLE bitmap where the art allows, read faster",
        {launcher.language, Mebibytes(cost.bytes), cost.times, Quote(RelativeToRoot(largest->path)),
         Mebibytes(largest->bytes)});
}

// Writes all of `bytes` to `path`, or leaves no file there.
static int WriteWholeFile(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (CloseHandle(file) && wrote && written == bytes.size())
        return 1;
    DeleteFileW(path.c_str());
    return 0;
}

static std::string Utf8(const std::wstring &text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

// ASCII when it is, else UTF-16 LE with a byte-order mark, which Windows
// reads an autorun.inf in.
static std::string AutorunInfBytes(const std::wstring &text)
{
    bool ascii = true;
    for (wchar_t c : text)
        ascii = ascii && c < 0x80;
    if (ascii)
        return std::string(text.begin(), text.end());
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// The launcher as Windows is to start it, from the root: beside AUTORUN.INI,
// named as the disc spells it.
static std::wstring LauncherFromRoot(const std::wstring &ini)
{
    std::wstring folder = FolderOf(ini);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + LAUNCHER_NAME).c_str(), &found);
    std::wstring name = LAUNCHER_NAME;
    if (search != INVALID_HANDLE_VALUE) {
        name = found.cFileName;
        FindClose(search);
    }
    return FolderOf(RelativeToRoot(ini)) + name;
}

// open= the launcher, icon= the Icon when it is on the disc (else the
// launcher's own), label= the volume label, action= the caption that a user
// of an unlisted language sees, when there is one.
static std::wstring AutorunInfText(const std::wstring &ini)
{
    std::wstring open = LauncherFromRoot(ini), icon = open + L",0";
    wchar_t path[TEXT_CAPACITY];
    if (ReadIconPath(path)) {
        std::wstring name = path + lstrlenW(launcher.sourceRoot);
        name.erase(0, name.find_first_not_of(L'\\'));
        if (DescribeFile(path).IsFile())
            icon = name;
        else
            WriteError(L"AUTORUN-CHECK: the Icon " + name +
                       L" is not on the disc; autorun.inf names the launcher's own icon\n");
    }
    if (open.find(L' ') != std::wstring::npos)
        open = Quote(open);
    std::wstring text = L"[autorun]\r\nopen=" + open + L"\r\nicon=" + icon + L"\r\nlabel=" +
                        launcher.volumeLabel + L"\r\n";
    if (launcher.caption[0])
        text += L"action=" + std::wstring(launcher.caption) + L"\r\n";
    else
        WriteError(L"AUTORUN-CHECK: no Title for the default language ([Setup] DefaultLang, "
                   L"[SetupStr_<language>] Title): autorun.inf has no action=\n");
    return text;
}

int PlanDisc(Checker *checker)
{
    LoadAsUser(checker, L"");
    std::vector<DiscRead> reads = ListFirstPaintReads(checker->file);
    checker->layout.clear();
    std::wstring order;
    for (const DiscRead &read : reads) {
        checker->layout.push_back(read.path);
        std::wstring name = RelativeToRoot(read.path);
        if (!name.empty())
            order += name + L"\n";
    }
    const CheckOptions &options = checker->options;
    int written = 1;
    if (!options.readingOrder.empty() && !WriteWholeFile(options.readingOrder, Utf8(order))) {
        WriteError(L"AUTORUN-CHECK: cannot write " + Quote(options.readingOrder) + L"\n");
        written = 0;
    }
    if (!options.autorunInf.empty() &&
        !WriteWholeFile(options.autorunInf, AutorunInfBytes(AutorunInfText(checker->file)))) {
        WriteError(L"AUTORUN-CHECK: cannot write " + Quote(options.autorunInf) + L"\n");
        written = 0;
    }
    return written;
}
