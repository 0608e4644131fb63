// Pictures of the client area, painted by the launcher's own code and written
// as PNG with the Windows Imaging Component.
#include "preview.h"
#include "entries.h"
#include "load.h"
#include "common/png.h"

#include "config/config_values.h"
#include "config/image_scale.h"
#include "state/launcher_state.h"
#include "window/paint.h"
#include "window/window.h"

#include <algorithm>

// Paints the client area as the launcher does into a 32-bit top-down pixel
// array of client.cx x client.cy: the erase, then `paint`.
static std::vector<DWORD> PaintPixels(SIZE client, void (*paint)(HDC dc))
{
    std::vector<DWORD> pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.cx;
    info.bmiHeader.biHeight = -client.cy; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (client.cx > 0 && client.cy > 0 && dc && bits) {
        HGDIOBJ previous = SelectObject(dc, section);
        // The window first erases its client area with the class brush of
        // BkgColor; then its paint draws on top.
        RECT area = {0, 0, client.cx, client.cy};
        HBRUSH brush = CreateSolidBrush(launcher.bkgColor);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        paint(dc);
        GdiFlush();
        const DWORD *first = static_cast<const DWORD *>(bits);
        pixels.assign(first, first + static_cast<size_t>(client.cx) * client.cy);
        SelectObject(dc, previous);
    }
    if (section)
        DeleteObject(section);
    if (dc)
        DeleteDC(dc);
    return pixels;
}

std::vector<DWORD> PaintBackgroundPixels(SIZE client)
{
    return PaintPixels(client, PaintBackground);
}

// The whole client area with slot `hotIndex` lit (-1: none).
static std::vector<DWORD> PaintClientArea(SIZE client, int hotIndex)
{
    int hot = launcher.hotIndex;
    launcher.hotIndex = hotIndex;
    std::vector<DWORD> pixels = PaintPixels(client, PaintLauncher);
    launcher.hotIndex = hot;
    return pixels;
}

// Windows opens a device, not a file, when the first `length` characters of a
// name are one of these, whatever follows a dot or a blank.
static bool IsDeviceName(const wchar_t *name, int length)
{
    for (const wchar_t *device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (MatchesIgnoringAsciiCase(name, length, device))
            return true;
    }
    return length == 4 && name[3] >= L'1' && name[3] <= L'9' &&
           (MatchesIgnoringAsciiCase(name, 3, L"COM") || MatchesIgnoringAsciiCase(name, 3, L"LPT"));
}

// A file name from a language name: characters that a name cannot hold become
// '_', and a device's name gets one behind it.
static std::wstring FileNameOf(const std::wstring &name)
{
    std::wstring file = name.empty() ? L"no-language" : name;
    for (wchar_t &c : file) {
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            c = L'_';
    }
    size_t stem = std::min(file.find_first_of(L". "), file.size());
    if (IsDeviceName(file.c_str(), static_cast<int>(stem)))
        file.insert(stem, L"_");
    return file;
}

// Written beside the target first and moved over it, so no half-written
// picture is ever left under the target's name. `scale` follows the name:
// "@200" for a preview at 200 %.
static int WritePicture(Checker *checker, const std::wstring &name, int hotIndex,
                        const std::wstring &scale)
{
    std::wstring path = checker->options.previewFolder + L"\\" + FileNameOf(name) + scale + L".png";
    std::wstring partial = path + L".part";
    std::vector<DWORD> pixels = PaintClientArea(checker->client, hotIndex);
    HRESULT result =
        pixels.empty() ? E_FAIL : EncodePng(partial.c_str(), checker->client, pixels.data());
    if (SUCCEEDED(result) &&
        MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        checker->tables += L"  preview " + path + L"\n";
        return 1;
    }
    DeleteFileW(partial.c_str());
    WriteError(L"AUTORUN-CHECK: cannot write " + path + L"\n");
    return 0;
}

static int WritePicturesAtScale(Checker *checker, const std::wstring &scale)
{
    std::wstring name = launcher.language[0] ? launcher.language : checker->userLanguage;
    // Under high contrast the launcher paints in this machine's system colours.
    launcher.highContrast = checker->options.highContrast;
    std::wstring suffix = launcher.highContrast ? L"-contrast" : L"";
    int written = WritePicture(checker, name + suffix, -1, scale);
    if (checker->options.hotKey)
        written &=
            WritePicture(checker, name + L"-" + SlotKey(checker->options.hotKey - 1) + suffix,
                         checker->options.hotKey - 1, scale);
    launcher.highContrast = 0;
    return written;
}

int WritePreviews(Checker *checker)
{
    if (checker->options.scales.empty())
        return WritePicturesAtScale(checker, L"");
    // Loaded again at each scale, as the launcher loads on such a display.
    int written = 1;
    for (int percent : checker->options.scales) {
        LoadAsUser(checker, checker->userLanguage, DpiOfPercent(percent));
        written &= WritePicturesAtScale(checker, L"@" + Number(percent));
    }
    return written;
}
