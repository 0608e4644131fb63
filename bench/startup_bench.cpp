// Time from process start to the end of the first paint, for AUTORUN.EXE on the
// sample disc and for two baselines started the same way: a minimal window
// program, and the floor, a bare window that makes the platform calls the
// launcher must make (common controls, shell icon, intro sound). A paint has
// ended when the last layer it draws is on screen: for the launcher the image
// of its last button, for the baselines their fill colour. With --cold, one
// start from the slow disc of cold_disc.sh instead.
#include "bare_window.h"
#include "e2e_support.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

namespace {

const int exitX = 44, exitY = 408; // the sample disc's last button

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

// Milliseconds from CreateProcess until the client pixel (x, y) of a window of
// `className` shows `colour`; negative when it never does.
double TimeToPixel(const std::wstring &program, const wchar_t *className, int x, int y,
                   COLORREF colour, const std::wstring &arguments = L"")
{
    double start = Now();
    Process process = Launch(program, {}, arguments);
    for (;;) {
        if (Now() - start > 20000)
            return -1;
        HWND window = FindWindowW(className, nullptr);
        if (window) {
            HDC dc = GetDC(window);
            COLORREF seen = GetPixel(dc, x, y);
            ReleaseDC(window, dc);
            if (seen == colour) {
                double elapsed = Now() - start;
                TerminateProcess(process.Handle(), 0);
                process.WaitExit(5000);
                return elapsed;
            }
        }
        Sleep(1);
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The colour of the first pixel of the exit button's picture, scanning from its
// centre, that is not the magenta colour key.
POINT FindOpaquePixel(const std::wstring &bmpPath, COLORREF *colour)
{
    std::string bytes = ReadBytes(bmpPath);
    const BYTE *data = reinterpret_cast<const BYTE *>(bytes.data());
    DWORD offset = *reinterpret_cast<const DWORD *>(data + 10);
    int width = *reinterpret_cast<const LONG *>(data + 18);
    int height = *reinterpret_cast<const LONG *>(data + 22);
    int stride = (width * 3 + 3) & ~3;
    for (int y = height / 2; y < height; y++) {
        for (int x = width / 2; x < width; x++) {
            const BYTE *p = data + offset + (height - 1 - y) * stride + x * 3;
            COLORREF c = RGB(p[2], p[1], p[0]);
            if (c != RGB(255, 0, 255)) {
                *colour = c;
                return POINT{x, y};
            }
        }
    }
    *colour = 0;
    return POINT{0, 0};
}

// --cold DRIVE LABEL: one start of the launcher from DRIVE, the slow disc of
// cold_disc.sh, and the milliseconds to its first paint.
int MeasureColdStart(const std::wstring &drive, const std::wstring &label)
{
    COLORREF exitColour;
    POINT inImage = FindOpaquePixel(BuildDir() + L"\\sample-disc\\autorun\\exit.bmp", &exitColour);
    DeleteFileW(WorkingCopyPath(label).c_str());
    double ms = TimeToPixel(drive + L"\\AUTORUN.EXE", L"KT.SetupLauncher", exitX + inImage.x,
                            exitY + inImage.y, exitColour);
    DeleteFileW(WorkingCopyPath(label).c_str());
    printf("%.0f\n", ms);
    return ms < 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && std::wstring(argv[1]) == L"--cold")
        return MeasureColdStart(argv[2], argv[3]);

    // Rounds alternate the three programs; ratios are taken within a round, so
    // the load of the machine at the time weighs on both sides alike.
    const int runs = 21;
    Disc disc = PrepareDisc(L"BENCHDISC");
    std::wstring sample = BuildDir() + L"\\sample-disc\\";
    for (const wchar_t *item : {L"AUTORUN.INI", L"README.TXT"})
        CopyFileW((sample + item).c_str(), disc.Path(item).c_str(), FALSE);
    CreateDirectoryW(disc.Path(L"autorun").c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((sample + L"autorun\\*").c_str(), &found);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW((sample + L"autorun\\" + found.cFileName).c_str(),
                      disc.Path(std::wstring(L"autorun\\") + found.cFileName).c_str(), FALSE);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::wstring minimal = disc.Path(L"minimal_window.exe");
    CopyBuildFile(L"bench\\minimal_window.exe", minimal);
    std::wstring floor = disc.Path(L"floor_window.exe");
    CopyBuildFile(L"bench\\floor_window.exe", floor);

    COLORREF exitColour;
    POINT inImage = FindOpaquePixel(disc.Path(L"autorun\\exit.bmp"), &exitColour);
    const COLORREF fill = BARE_WINDOW_FILL;

    std::vector<double> launcherTimes, minimalTimes, floorTimes;
    for (int i = 0; i < runs; i++) {
        launcherTimes.push_back(TimeToPixel(disc.Path(L"AUTORUN.EXE"), L"KT.SetupLauncher",
                                            exitX + inImage.x, exitY + inImage.y, exitColour));
        DeleteFileW(WorkingCopyPath(L"BENCHDISC").c_str());
        minimalTimes.push_back(TimeToPixel(minimal, L"KT.MinimalWindow", 5, 5, fill));
        floorTimes.push_back(
            TimeToPixel(floor, L"KT.FloorWindow", 5, 5, fill, disc.Path(L"autorun\\disc.ico")));
    }
    std::vector<double> toMinimal, toFloor;
    for (int i = 0; i < runs; i++) {
        if (launcherTimes[i] > 0 && minimalTimes[i] > 0)
            toMinimal.push_back(launcherTimes[i] / minimalTimes[i]);
        if (launcherTimes[i] > 0 && floorTimes[i] > 0)
            toFloor.push_back(launcherTimes[i] / floorTimes[i]);
    }
    printf("first paint, median of %d: AUTORUN.EXE %.1f ms, minimal window %.1f ms, "
           "floor (same platform calls) %.1f ms\n",
           runs, Median(launcherTimes), Median(minimalTimes), Median(floorTimes));
    printf("first paint ratio to the minimal window, median of the rounds: %.2f (target 1.25 or "
           "less)\n",
           Median(toMinimal));
    printf("first paint ratio to the floor, median of the rounds: %.2f (target 1.15 or less)\n",
           Median(toFloor));
    return 0;
}
