// Driving the real AUTORUN.EXE from outside: discs, processes, windows and
// message boxes, all through Win32, the same way on Windows as under Wine.
#pragma once

#include "test_support.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// A mapped drive whose volume label the test run fixed (see prepare-prefix.sh).
struct Disc {
    std::wstring root; // "D:\"
    std::wstring label;
    std::wstring Path(const std::wstring &relative) const { return root + relative; }
};

// The root of the drive labelled `label` ("Q:\"), or empty when none is.
std::wstring FindDriveByLabel(const std::wstring &label);

// The drive labelled `label`, emptied, with AUTORUN.EXE copied to its root (or
// into `folder`), once every launcher and every program run from that drive
// has ended. Fails the test when no drive has that label or a file on it
// cannot be deleted or copied.
Disc PrepareDisc(const std::wstring &label, const std::wstring &folder = L"");

// Copies the folder `from` with everything in it to `to`.
void CopyFolder(const std::wstring &from, const std::wstring &to);

// Copies a program of the build (relative to the build folder) onto the disc.
void CopyBuildFile(const std::wstring &buildRelative, const std::wstring &destination);

// The working copy the launcher makes for `label` in the Windows directory.
std::wstring WorkingCopyPath(const std::wstring &label);

// Polls `condition` every 20 ms until it holds or `timeoutMs` passes.
bool WaitFor(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// A started program; ends it on destruction when it is still running.
class Process {
public:
    Process() = default;
    Process(Process &&other) noexcept : handle(other.handle), id(other.id)
    {
        other.handle = nullptr;
    }
    Process &operator=(Process &&other) noexcept
    {
        std::swap(handle, other.handle);
        std::swap(id, other.id);
        return *this;
    }
    ~Process();
    bool Started() const { return handle != nullptr; }
    DWORD Id() const { return id; }
    HANDLE Handle() const { return handle; }
    // The exit code, or STILL_ACTIVE when the program is still running at the deadline.
    DWORD WaitExit(DWORD timeoutMs = 15000);
    bool Running();

private:
    friend Process Launch(const std::wstring &,
                          const std::vector<std::pair<std::wstring, std::wstring>> &,
                          const std::wstring &, const std::wstring &);
    HANDLE handle = nullptr;
    DWORD id = 0;
};

// Starts `program` with extra environment variables (the test's own
// environment otherwise) and `arguments`; the current directory is the
// program's folder. With an `outputPath`, its standard output and error go to
// that file, which can be read while it runs.
Process Launch(const std::wstring &program,
               const std::vector<std::pair<std::wstring, std::wstring>> &environment = {},
               const std::wstring &arguments = L"", const std::wstring &outputPath = L"");

// Runs `program` with `arguments` to its end, its standard output and error
// written to `output`. The exit code, or STILL_ACTIVE when it was stopped at
// the deadline.
DWORD RunCapturingOutput(const std::wstring &program, const std::wstring &arguments,
                         std::string *output, DWORD timeoutMs = 60000);

// Under Wine, makes `program` (a file name) prefer the DLL `dll` found beside
// it or in the system directory over Wine's own, as Windows does, for the life
// of the object. A DLL override in the environment does not reach programs
// started by another Windows program, the registry does. Harmless on Windows.
class PreferNativeDll {
public:
    PreferNativeDll(const std::wstring &program, const std::wstring &dll);
    ~PreferNativeDll();

private:
    std::wstring key, dll;
};

// The English name of this process's user language, as the launcher sees it.
std::wstring UserLanguageName();

// The shown top-level window of `className` belonging to process `processId`,
// or null after the deadline. Any process when `processId` is 0.
HWND WaitForWindow(const wchar_t *className, DWORD processId, DWORD timeoutMs = 15000);

// A message box of process `processId`.
struct MessageBoxView {
    HWND window = nullptr;
    std::wstring text;
    std::wstring caption;
    bool HasButton(int id) const;
    // Presses the button with command id `id` (IDOK, IDYES, ...).
    void Press(int id) const;
};
MessageBoxView WaitForMessageBox(DWORD processId, DWORD timeoutMs = 15000);

std::wstring WindowText(HWND window);

// Real input, as a user gives it.
// Brings `window` to the front and types `keys` (down and up each), `times` over.
void SendKeys(HWND window, std::initializer_list<WORD> keys, int times = 1);
// Points at the centre of `area` (client coordinates) and clicks `times` times.
void Click(HWND window, const RECT &area, int times = 1);
// Moves the pointer to the client point (x, y) with a real move event.
void MovePointerTo(HWND window, int x, int y);

// The colour of the client pixel (x, y) as the screen shows it.
COLORREF ClientPixel(HWND window, int x, int y);
bool WaitForPixel(HWND window, int x, int y, COLORREF expected, DWORD timeoutMs = 5000);

// Ends every launcher still running, so the next test starts clean. Launchers
// are found by their program, AUTORUN.EXE: one that has no window yet, or no
// longer has one, holds its files as long as it runs.
void EndAllLaunchers();

// The lines that the recording program wrote to `logPath` (UTF-8, one a start).
std::vector<std::string> ReadRecord(const std::wstring &logPath);

std::string Utf8(const std::wstring &text);
