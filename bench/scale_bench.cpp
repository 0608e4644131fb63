// The first paint of the sample disc at 200 % against 100 %, in process: the
// window created, loaded and painted once, warm, median of several rounds.
// Also a copy of the disc without its @2x pictures, which are then resampled.
#include "bench_support.h"
#include "config/command_table.h"
#include "e2e_support.h"
#include "window/window.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

namespace {

// Milliseconds from creating the window on `root` at `dpi` to its first paint done.
double FirstPaint(const std::wstring &root, int dpi)
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
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ;
    UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
    return took;
}

double Median(const std::wstring &root, int dpi)
{
    std::vector<double> times;
    for (int i = 0; i < 9; i++)
        times.push_back(FirstPaint(root, dpi));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    std::wstring sample = BuildDir() + L"\\sample-disc\\";
    TempDir plain;
    CopyFolder(sample, plain.Path());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(plain.File(L"autorun\\*@2x.bmp").c_str(), &found);
    while (search != INVALID_HANDLE_VALUE) {
        DeleteFileW(plain.File(std::wstring(L"autorun\\") + found.cFileName).c_str());
        if (!FindNextFileW(search, &found))
            break;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    FirstPaint(sample, 192); // warm the file cache
    double at100 = Median(sample, 96), at200 = Median(sample, 192);
    double resampled = Median(plain.Path() + L"\\", 192);
    printf("scale_bench: first paint of the sample disc, median of 9 warm rounds\n");
    printf("  at 100 %%: %.2f ms\n", at100);
    printf("  at 200 %% with its @2x pictures: %.2f ms (%.2fx; goal within 1.3x)\n", at200,
           at200 / at100);
    printf("  at 200 %% without them, resampled: %.2f ms (%.2fx)\n", resampled, resampled / at100);
    return 0;
}
