// In-process figures of the window: one reload of 30 full slots with 60
// bitmaps, the area one hover move invalidates, and the size of AUTORUN.EXE
// without its resources.
#include "bench_support.h"
#include "config/command_table.h"
#include "config/image_scale.h"
#include "e2e_support.h"
#include "window/input.h"
#include "window/window.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

namespace {

COLORREF Stripes(int x, int y)
{
    return (x / 4 + y / 4) % 2 ? RGB(200, 40, 40) : RGB(255, 0, 255);
}

long RegionArea(HRGN region)
{
    DWORD bytes = GetRegionData(region, 0, nullptr);
    std::vector<BYTE> data(bytes);
    RGNDATA *rects = reinterpret_cast<RGNDATA *>(data.data());
    GetRegionData(region, bytes, rects);
    long area = 0;
    const RECT *r = reinterpret_cast<const RECT *>(rects->Buffer);
    for (DWORD i = 0; i < rects->rdh.nCount; i++)
        area += (r[i].right - r[i].left) * (r[i].bottom - r[i].top);
    return area;
}

// The area waiting to be painted; the window is then marked painted again.
long UpdateArea(HWND window)
{
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, region, FALSE);
    long area = RegionArea(region);
    DeleteObject(region);
    ValidateRect(window, nullptr);
    return area;
}

// The union of a slot's two rectangles, as an update region counts it.
long SlotArea(int index)
{
    HRGN button = CreateRectRgnIndirect(&CommandTable[index].buttonRect);
    HRGN label = CreateRectRgnIndirect(&CommandTable[index].labelRect);
    CombineRgn(button, button, label, RGN_OR);
    long area = RegionArea(button);
    DeleteObject(button);
    DeleteObject(label);
    return area;
}

long ResourceBytes(const std::wstring &exe)
{
    std::string bytes = ReadBytes(exe);
    const BYTE *data = reinterpret_cast<const BYTE *>(bytes.data());
    DWORD pe = *reinterpret_cast<const DWORD *>(data + 0x3C);
    WORD sections = *reinterpret_cast<const WORD *>(data + pe + 6);
    WORD optionalSize = *reinterpret_cast<const WORD *>(data + pe + 20);
    const BYTE *section = data + pe + 24 + optionalSize;
    for (WORD i = 0; i < sections; i++, section += 40) {
        if (memcmp(section, ".rsrc", 5) == 0)
            return *reinterpret_cast<const DWORD *>(section + 16);
    }
    return 0;
}

// The launcher's window on the bench disc at `dpi` (0: the display's), loaded.
HWND OpenBenchWindow(const TempDir &disc, int dpi)
{
    memset(&launcher, 0, sizeof launcher);
    launcher.instance = GetModuleHandleW(nullptr);
    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
    SetText(launcher.iniPath, disc.File(L"bench.ini"));
    SetText(launcher.sourceRoot, disc.Path() + L"\\");
    lstrcpyW(launcher.activeSection, L"Setup");
    lstrcpyW(launcher.sectionPrefix, L"Setup");
    lstrcpyW(launcher.language, L"English");
    launcher.dpi = dpi;
    os.sndPlaySoundW = Silent;
    HWND window = CreateLauncherWindow();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    return window;
}

// Medians in milliseconds: the reload, its table load, and what the platform
// itself takes for the same file work: the 124 profile reads and opening the
// 60 bitmap files. And the slowest reload.
struct Reload {
    double reload, slowest, load, platform;
};

Reload MeasureReloads(HWND window, const TempDir &disc)
{
    const int rounds = 40;
    std::vector<double> times, loads, floor;
    for (int i = 0; i < rounds; i++) {
        ClearCommandTable();
        double start = Now();
        SendMessageW(window, LM_RELOAD, 0, 0);
        times.push_back(Now() - start);
    }
    for (int i = 0; i < rounds; i++) {
        ClearCommandTable();
        double start = Now();
        LoadCommandTable();
        loads.push_back(Now() - start);
        start = Now();
        wchar_t value[ENTRY_CAPACITY];
        for (int read = 0; read < SLOT_COUNT * 4 + 3; read++)
            GetPrivateProfileStringW(L"SetupBtn_English", L"cmd05", L"", value, ENTRY_CAPACITY,
                                     launcher.iniPath);
        for (int open = 0; open < SLOT_COUNT * 2; open++) {
            HANDLE file = CreateFileW(disc.File(L"n00.bmp").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            CloseHandle(file);
        }
        floor.push_back(Now() - start);
    }
    for (std::vector<double> *figures : {&times, &loads, &floor})
        std::sort(figures->begin(), figures->end());
    return Reload{times[rounds / 2], times.back(), loads[rounds / 2], floor[rounds / 2]};
}

} // namespace

int main()
{
    TempDir disc;
    std::wstring ini =
        L"[Setup]\r\nBkgColor=10,20,30\r\nHiColor=255,255,0\r\nLoColor=255,255,255\r\n"
        L"[Setup_CommandDefines]\r\n";
    std::wstring labels = L"[SetupStr_English]\r\nTitle=Bench\r\n";
    std::wstring buttons = L"[SetupBtn_English]\r\n";
    for (int i = 0; i < SLOT_COUNT; i++) {
        wchar_t key[8], line[200];
        wsprintfW(key, L"cmd%02d", i + 1);
        int x = 10 + (i % 5) * 120, y = 10 + (i / 5) * 75;
        ini += std::wstring(key) + L"=CMD_EXE,file.exe,/arg\r\n";
        wsprintfW(line, L"%s=Button %d\\nsecond line,%d,%d\r\n", key, i + 1, x, y + 66);
        labels += line;
        wsprintfW(line, L"%s=n%02d.bmp,h%02d.bmp,%d,%d,64,64,255,0,255\r\n%s_sound=\r\n", key, i, i,
                  x, y, key);
        buttons += line;
        wchar_t name[16];
        wsprintfW(name, L"n%02d.bmp", i);
        WriteBitmapFile(disc.File(name), 64, 64, Stripes);
        wsprintfW(name, L"h%02d.bmp", i);
        WriteBitmapFile(disc.File(name), 64, 64, Stripes);
    }
    WriteTextFile(disc.File(L"bench.ini"), ini + labels + buttons);

    HWND window = OpenBenchWindow(disc, 0);
    Reload at100 = MeasureReloads(window, disc);
    int loaded = 0;
    for (const CommandSlot &slot : CommandTable)
        loaded += (slot.normalImage != nullptr) + (slot.hotImage != nullptr);
    printf("reload of %d slots with %d bitmaps: median %.2f ms, slowest %.2f ms; "
           "ratio to a 16 ms frame %.2f (target 1 or less)\n",
           SLOT_COUNT, loaded, at100.reload, at100.slowest, at100.reload / 16.0);
    printf("  of which the table load %.2f ms; the platform's profile reads and file opens alone "
           "%.2f ms (ratio of the reload to them %.2f)\n",
           at100.load, at100.platform, at100.reload / at100.platform);
    // At 200 % every picture is resampled at each reload.
    DestroyWindow(window);
    UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
    window = OpenBenchWindow(disc, 2 * BASE_DPI);
    Reload at200 = MeasureReloads(window, disc);
    printf("reload at 200 %%: %.2f ms, its platform calls %.2f ms\n", at200.reload, at200.platform);
    DestroyWindow(window);
    UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
    window = OpenBenchWindow(disc, 0);

    UpdateWindow(window);
    ValidateRect(window, nullptr);
    launcher.quietUntil = 0;
    RECT client;
    GetClientRect(window, &client);
    long clientArea = client.right * client.bottom;
    UpdateHover(window, -5, -5); // outside every slot
    UpdateArea(window);
    UpdateHover(window, 20, 20);
    long enter = UpdateArea(window);
    UpdateHover(window, 30, 30);
    long stay = UpdateArea(window);
    UpdateHover(window, 140, 20);
    long move = UpdateArea(window);
    printf("hover: entering a slot invalidates %ld px (its own rectangles %ld px), "
           "moving within it %ld px, moving to the next slot %ld px (both slots %ld px); "
           "client area %ld px, ratio of a move %.3f\n",
           enter, SlotArea(0), stay, move, SlotArea(0) + SlotArea(1), clientArea,
           static_cast<double>(move) / clientArea);

    std::wstring exe = BuildDir() + L"\\AUTORUN.EXE";
    long total = static_cast<long>(ReadBytes(exe).size());
    long resources = ResourceBytes(exe);
    printf("AUTORUN.EXE: %ld bytes, resources %ld bytes, without resources %ld bytes = %.1f KiB; "
           "ratio to 96 KiB %.2f (target under 1)\n",
           total, resources, total - resources, (total - resources) / 1024.0,
           (total - resources) / (96.0 * 1024));
    DestroyWindow(window);
    return 0;
}
