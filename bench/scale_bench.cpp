// The first paint of the sample disc at 125, 150, 175 and 200 %, warm, in
// process, median of several rounds: without any variant of its pictures, so
// that each is resampled; with the author's variant for exactly that scale
// beside each, drawn pixel for pixel; and the floor, a bare window that makes
// the launcher's own reads of AUTORUN.INI, reads the same variant files whole
// and blits them where the launcher draws them.
#include "bench_support.h"
#include "config/command_table.h"
#include "config/image_scale.h"
#include "e2e_support.h"
#include "state/bounded_text.h"
#include "window/window.h"

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

const int ROUNDS = 9;

void StartLauncherRecord(const std::wstring &root, int dpi)
{
    ResetCommandTable();
    memset(&launcher, 0, sizeof launcher);
    launcher.instance = GetModuleHandleW(nullptr);
    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
    SetText(launcher.iniPath, root + L"AUTORUN.INI");
    SetText(launcher.sourceRoot, root);
    lstrcpyW(launcher.activeSection, L"Setup");
    lstrcpyW(launcher.sectionPrefix, L"Setup");
    lstrcpyW(launcher.language, L"English");
    launcher.dpi = dpi;
    os.sndPlaySoundW = Silent;
}

void Drain()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ;
}

// Milliseconds from creating the window on `root` at `dpi` to its first paint done.
double FirstPaint(const std::wstring &root, int dpi)
{
    StartLauncherRecord(root, dpi);
    double start = Now();
    HWND window = CreateLauncherWindow();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_PAINT &&
           PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    UpdateWindow(window);
    GdiFlush();
    double took = Now() - start;
    DestroyWindow(window);
    Drain();
    UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
    return took;
}

// The configuration reads of the launcher, recorded while it plans the
// floor, which makes them again: section, key (empty for a section's key
// list) and whether it was read as a number.
struct ProfileRead {
    std::wstring section, key;
    bool number;
};
std::vector<ProfileRead> *recording;

decltype(&GetPrivateProfileStringW) readString;
decltype(&GetPrivateProfileIntW) readNumber;

DWORD WINAPI RecordString(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR out, DWORD size,
                          LPCWSTR file)
{
    if (recording)
        recording->push_back({section ? section : L"", key ? key : L"", false});
    return readString(section, key, fallback, out, size, file);
}

UINT WINAPI RecordNumber(LPCWSTR section, LPCWSTR key, INT fallback, LPCWSTR file)
{
    if (recording)
        recording->push_back({section ? section : L"", key ? key : L"", true});
    return readNumber(section, key, fallback, file);
}

// Points this program's imports of the two profile calls at the recorders.
void RecordProfileReads()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    readString = reinterpret_cast<decltype(readString)>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetPrivateProfileStringW")));
    readNumber = reinterpret_cast<decltype(readNumber)>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetPrivateProfileIntW")));
    BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
    const IMAGE_NT_HEADERS *nt =
        reinterpret_cast<const IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         entry->Name; entry++) {
        for (auto *thunk = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->FirstThunk);
             thunk->u1.Function; thunk++) {
            void *target = reinterpret_cast<void *>(thunk->u1.Function);
            void *recorder = target == reinterpret_cast<void *>(readString)
                                 ? reinterpret_cast<void *>(RecordString)
                             : target == reinterpret_cast<void *>(readNumber)
                                 ? reinterpret_cast<void *>(RecordNumber)
                                 : nullptr;
            if (!recorder)
                continue;
            DWORD protection;
            VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, PAGE_READWRITE,
                           &protection);
            thunk->u1.Function = reinterpret_cast<ULONG_PTR>(recorder);
            VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, protection,
                           &protection);
        }
    }
}

// A picture of the floor: its file and where its top left corner goes, or
// nowhere (a hot image, read but not drawn at the first paint).
struct Placed {
    std::wstring path;
    POINT at;
    bool drawn;
    HBITMAP bitmap;
};

struct Floor {
    std::wstring ini;
    std::vector<ProfileRead> reads;
    std::vector<Placed> pictures;
    SIZE client;
};

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    const Floor *floor = reinterpret_cast<const Floor *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(dc);
    for (const Placed &picture : floor->pictures) {
        BITMAP size = {};
        if (!picture.drawn || !GetObjectW(picture.bitmap, sizeof size, &size))
            continue;
        HGDIOBJ previous = SelectObject(memory, picture.bitmap);
        BitBlt(dc, picture.at.x, picture.at.y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    DeleteDC(memory);
    EndPaint(window, &paint);
    return 0;
}

// A BMP file read whole and made into a DIB section of its own format.
HBITMAP ReadPicture(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD size = GetFileSize(file, nullptr), read = 0;
    std::vector<BYTE> bytes(size);
    ReadFile(file, bytes.data(), size, &read, nullptr);
    CloseHandle(file);
    const BITMAPFILEHEADER *header = reinterpret_cast<const BITMAPFILEHEADER *>(bytes.data());
    const BITMAPINFO *info = reinterpret_cast<const BITMAPINFO *>(header + 1);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits)
        CopyMemory(bits, bytes.data() + header->bfOffBits, size - header->bfOffBits);
    return bitmap;
}

double FloorPaint(Floor *floor)
{
    double start = Now();
    wchar_t value[ENTRY_CAPACITY];
    for (const ProfileRead &read : floor->reads) {
        const wchar_t *key = read.key.empty() ? nullptr : read.key.c_str();
        if (read.number)
            readNumber(read.section.c_str(), key, 0, floor->ini.c_str());
        else
            readString(read.section.c_str(), key, L"", value, ENTRY_CAPACITY, floor->ini.c_str());
    }
    for (Placed &picture : floor->pictures)
        picture.bitmap = ReadPicture(picture.path);
    RECT frame = {0, 0, floor->client.cx, floor->client.cy};
    AdjustWindowRect(&frame, LAUNCHER_WINDOW_STYLE, FALSE);
    HWND window = CreateWindowExW(0, L"KT.ScaleFloor", L"", LAUNCHER_WINDOW_STYLE, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(floor));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    GdiFlush();
    double took = Now() - start;
    DestroyWindow(window);
    Drain();
    for (Placed &picture : floor->pictures)
        DeleteObject(picture.bitmap);
    return took;
}

// `path` with the suffix of variant `index`, or as it is for -1.
std::wstring Variant(const std::wstring &path, int index)
{
    wchar_t variant[MAX_PATH];
    return index >= 0 && MakeVariantPath(path.c_str(), index, variant) ? variant : path;
}

// What the launcher on `root` at `dpi` reads and where it draws it, as its
// own loader finds it: the background and each slot's two images.
Floor PlanFloor(const std::wstring &root, int dpi, int variant)
{
    StartLauncherRecord(root, dpi);
    Floor floor;
    floor.ini = launcher.iniPath;
    recording = &floor.reads;
    HWND window = CreateLauncherWindow();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    recording = nullptr;
    RECT client;
    GetClientRect(window, &client);
    floor.client = {client.right, client.bottom};
    floor.pictures.push_back({Variant(launcher.backgroundPath, variant), {0, 0}, true, nullptr});
    for (const CommandSlot &slot : CommandTable) {
        if (!slot.defined)
            continue;
        wchar_t path[TEXT_CAPACITY];
        if (slot.normalImagePath[0] && JoinSourcePath(path, slot.normalImagePath))
            floor.pictures.push_back({Variant(path, variant),
                                      {slot.buttonRect.left, slot.buttonRect.top}, true, nullptr});
        if (slot.hotImagePath[0] && JoinSourcePath(path, slot.hotImagePath))
            floor.pictures.push_back({Variant(path, variant), {0, 0}, false, nullptr});
    }
    DestroyWindow(window);
    Drain();
    UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
    return floor;
}

// Writes `bitmap` as a bottom-up 24-bit BMP file.
void SavePicture(HBITMAP bitmap, const std::wstring &path)
{
    BITMAP size = {};
    GetObjectW(bitmap, sizeof size, &size);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, size.bmWidth, size.bmHeight, 1, 24, BI_RGB, 0, 0, 0,
                      0, 0};
    DWORD stride = (size.bmWidth * 3 + 3) & ~3u, bytes = stride * size.bmHeight;
    std::vector<BYTE> image(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + bytes);
    BITMAPFILEHEADER *file = reinterpret_cast<BITMAPFILEHEADER *>(image.data());
    file->bfType = 0x4D42;
    file->bfSize = static_cast<DWORD>(image.size());
    file->bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    CopyMemory(file + 1, &info.bmiHeader, sizeof info.bmiHeader);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, size.bmHeight, image.data() + file->bfOffBits, &info,
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    WriteBytes(path, image.data(), image.size());
}

// The variants named `*@2x.bmp` in `folder`, deleted; when `index` is not -1
// each is first made into the variant of that index, from the plain picture.
void ReplaceVariants(const std::wstring &folder, int index)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*@2x.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring twice = folder + found.cFileName;
        std::wstring plain = twice.substr(0, twice.size() - 7) + L".bmp";
        if (index >= 0) {
            int blended;
            HBITMAP bitmap = LoadBitmapForDpi(plain.c_str(), nullptr, SCALE_VARIANTS[index].dpi,
                                              0, &blended);
            SavePicture(bitmap, Variant(plain, index));
            DeleteObject(bitmap);
        }
        DeleteFileW(twice.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    RecordProfileReads();
    WNDCLASSW floorClass = {};
    floorClass.lpfnWndProc = FloorProc;
    floorClass.hInstance = GetModuleHandleW(nullptr);
    floorClass.lpszClassName = L"KT.ScaleFloor";
    RegisterClassW(&floorClass);

    std::wstring sample = BuildDir() + L"\\sample-disc\\";
    TempDir plain;
    CopyFolder(sample, plain.Path());
    std::wstring plainRoot = plain.Path() + L"\\";
    ReplaceVariants(plainRoot + L"autorun\\", -1);
    FirstPaint(sample, 192); // warm the file cache

    for (int index = 0; index < SCALE_VARIANT_COUNT && SCALE_VARIANTS[index].dpi <= 2 * BASE_DPI;
         index++) {
        const int dpi = SCALE_VARIANTS[index].dpi;
        TempDir drawn;
        CopyFolder(sample, drawn.Path());
        std::wstring drawnRoot = drawn.Path() + L"\\";
        if (dpi != 2 * BASE_DPI)
            ReplaceVariants(drawnRoot + L"autorun\\", index);
        Floor floor = PlanFloor(drawnRoot, dpi, index);
        FirstPaint(drawnRoot, dpi);
        FloorPaint(&floor);
        // Round by round, so that the load of the machine weighs on all three alike.
        std::vector<double> resampled, variants, floors;
        for (int round = 0; round < ROUNDS; round++) {
            resampled.push_back(FirstPaint(plainRoot, dpi));
            variants.push_back(FirstPaint(drawnRoot, dpi));
            floors.push_back(FloorPaint(&floor));
        }
        printf("scale %d %%: resampled %.2f ms, with the author's variants %.2f ms, floor %.2f ms\n",
               MulDiv(dpi, 100, BASE_DPI), Median(resampled), Median(variants), Median(floors));
    }
    return 0;
}
