// AUTORUN-CHECK --try: the launcher's own window on a disc folder. Its
// procedure, paint, hover, keys and sounds are the launcher's; what a button
// would run is printed instead of run; the disc is checked and shown again
// whenever a file below its root changes.
#include "checker.h"

#include "config/command_table.h"
#include "config/config_values.h"
#include "platform/platform.h"
#include "startup/launcher_state.h"
#include "startup/startup.h"
#include "window/accessibility.h"
#include "window/window.h"

#include <algorithm>

// Not the launcher's class, so a running launcher and its single-instance
// rule never see this window.
static const wchar_t TRY_CLASS[] = L"KT.AutorunTry";

static const wchar_t NO_PRODUCT_CODE[] =
    L"; the registry here holds no product code, so it starts nothing";

enum { EXIT_TROUBLE = 3 };

enum : DWORD {
    LOOK_INTERVAL_MS = 200,
    // A look at a large tree waits this many times its own cost before the
    // next, so the tree never takes more than a tenth of the time.
    LOOK_COST_FACTOR = 10,
    TREE_DEPTH = 16, // a linked folder may lead back up the tree
};

// A file or folder below the root as the last look saw it.
struct TreeEntry {
    std::wstring name; // relative to the root
    ULONGLONG size;
    FILETIME written;
    bool folder;
};

struct TryState {
    CheckRun check;
    CheckOptions options;
    std::wstring root;
    std::wstring userLanguage;
    HWND window;
    WNDPROC launcherProc;
    int activeSlot; // the slot whose click or Enter is being handled, or -1
    bool shown;     // what it runs was printed
    std::vector<TreeEntry> tree;
    // Wakes a look at once. Of the changes Linux programs make, Wine reports
    // only those in the root itself, so the tree is looked at on a timer too.
    HANDLE change;
};

static TryState trying;

// Prints, once for each click or Enter, what the launcher does for the slot.
static void ShowCommand(const wchar_t *outcome)
{
    if (trying.activeSlot < 0 || trying.shown)
        return;
    trying.shown = true;
    const CommandSlot &slot = CommandTable[trying.activeSlot];
    WriteOut(std::wstring(slot.key) + L": " + WhatItRuns(slot) + outcome + L"\n");
}

static HINSTANCE WINAPI ShowShellCall(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)
{
    ShowCommand(L"");
    return reinterpret_cast<HINSTANCE>(33); // what the shell answers for a started action
}

// The worker itself still runs, so it posts its completion and lowers
// workerBusy as it would; only the program it starts is left out.
static HANDLE WINAPI ShowWorker(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                                LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                LPDWORD threadId)
{
    ShowCommand(L"");
    return CreateThread(security, stackSize, start, parameter, flags, threadId);
}

static BOOL WINAPI SkipProcess(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                               DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION)
{
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

static BOOL WINAPI SkipShellProcess(SHELLEXECUTEINFOW *info)
{
    info->hProcess = nullptr;
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

static UINT WINAPI SkipWinExec(LPCSTR, UINT)
{
    return 33;
}

static LSTATUS WINAPI OpenRegistryKey(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access,
                                      PHKEY result)
{
    LSTATUS status = RegOpenKeyExW(key, subKey, options, access, result);
    if (status != ERROR_SUCCESS)
        ShowCommand(NO_PRODUCT_CODE);
    return status;
}

static LSTATUS WINAPI ReadRegistryValue(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type,
                                        LPBYTE data, LPDWORD size)
{
    LSTATUS status = RegQueryValueExW(key, name, reserved, type, data, size);
    if (status != ERROR_SUCCESS)
        ShowCommand(NO_PRODUCT_CODE);
    return status;
}

// The launcher's dispatcher keeps its own logic (the insert-disc prompt,
// workerBusy, the workers' messages); only what it would start is replaced.
static void ShowInsteadOfRunning()
{
    os.ShellExecuteW = ShowShellCall;
    os.ShellExecuteExW = SkipShellProcess;
    os.CreateProcessW = SkipProcess;
    os.WinExec = SkipWinExec;
    os.CreateThread = ShowWorker;
    os.RegOpenKeyExW = OpenRegistryKey;
    os.RegQueryValueExW = ReadRegistryValue;
}

// Hands a click or Enter to the launcher's procedure, knowing which slot it
// would run: the pressed slot on a release over it, the hot slot on Enter.
static LRESULT Activate(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int slot)
{
    int outerSlot = trying.activeSlot;
    bool outerShown = trying.shown;
    trying.activeSlot = slot;
    trying.shown = false;
    LRESULT result = CallWindowProcW(trying.launcherProc, window, message, wParam, lParam);
    trying.activeSlot = outerSlot;
    trying.shown = outerShown;
    return result;
}

static LRESULT CALLBACK TryWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONUP:
        return Activate(window, message, wParam, lParam, launcher.pressedIndex);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN)
            return Activate(window, message, wParam, lParam, launcher.hotIndex);
        break;
    case WM_DESTROY:
        // CMD_EXIT closes the window without asking the platform.
        ShowCommand(L"");
        break;
    case WM_ENDSESSION:
        // The launcher deletes its working copy here; this window reads the
        // author's own file.
        return 0;
    }
    return CallWindowProcW(trying.launcherProc, window, message, wParam, lParam);
}

// The launcher's record as start-up leaves it for the window, the disc's own
// AUTORUN.INI in place of a working copy.
static void PrepareLauncher()
{
    launcher.instance = GetModuleHandleW(nullptr);
    CopyText(launcher.activeSection, TEXT_CAPACITY, trying.options.section.c_str());
    DetectProcessorToken();
    PrepareWindowState(trying.userLanguage.c_str());
}

static void ListTree(const std::wstring &folder, const std::wstring &prefix, DWORD depth,
                     std::vector<TreeEntry> *entries)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        ULONGLONG size = static_cast<ULONGLONG>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        entries->push_back(TreeEntry{prefix + name, size, found.ftLastWriteTime, isFolder});
        if (isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            depth < TREE_DEPTH)
            ListTree(folder + name + L"\\", prefix + name + L"\\", depth + 1, entries);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

static std::vector<TreeEntry> LookAtTree()
{
    std::vector<TreeEntry> tree;
    ListTree(trying.root, L"", 0, &tree);
    std::sort(tree.begin(), tree.end(),
              [](const TreeEntry &a, const TreeEntry &b) { return a.name < b.name; });
    return tree;
}

static bool SameEntry(const TreeEntry &a, const TreeEntry &b)
{
    return a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

// The names of the files added, removed or changed, for the console; a
// folder's time changes with its files, so it counts only when it comes or goes.
static std::wstring ChangedNames(const std::vector<TreeEntry> &before,
                                 const std::vector<TreeEntry> &after)
{
    std::vector<std::wstring> names;
    size_t i = 0, j = 0;
    while (i < before.size() || j < after.size()) {
        if (j == after.size() || (i < before.size() && before[i].name < after[j].name)) {
            names.push_back(before[i++].name);
        } else if (i == before.size() || after[j].name < before[i].name) {
            names.push_back(after[j++].name);
        } else {
            if (!after[j].folder && !SameEntry(before[i], after[j]))
                names.push_back(after[j].name);
            i++;
            j++;
        }
    }
    std::wstring text;
    for (size_t n = 0; n < names.size() && n < 3; n++)
        text += (n ? L", " : L"") + names[n];
    if (names.size() > 3)
        text += L" and " + Number(names.size() - 3) + L" more";
    return text.empty() ? L"a folder" : text;
}

static bool SameTree(const std::vector<TreeEntry> &a, const std::vector<TreeEntry> &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const TreeEntry &x, const TreeEntry &y) {
               return x.name == y.name && SameEntry(x, y);
           });
}

static void RunCheck()
{
    Checker *pass = new Checker();
    pass->options = trying.options;
    trying.check(pass);
    delete pass;
}

// Checks the disc again and shows it anew through the launcher's own reload.
// The check loads into the launcher's record too, so the window's own part of
// the record is kept aside and the rest set up again afterwards.
static void ReadDiscAgain(const std::wstring &changed)
{
    LauncherState kept = launcher;
    ReleaseLoad();
    WriteOut(L"\nAUTORUN-CHECK --try: " + changed + L" changed; checking the disc again\n\n");
    RunCheck();

    PrepareLauncher();
    launcher.mainWindow = kept.mainWindow;
    launcher.introSound = kept.introSound;
    launcher.quietUntil = kept.quietUntil;
    launcher.hotIndex = kept.hotIndex;
    launcher.pressedIndex = kept.pressedIndex;
    launcher.captured = kept.captured;
    launcher.lastHitX = kept.lastHitX;
    launcher.lastHitY = kept.lastHitY;
    SIZE outer;
    LoadBackground(trying.window, &outer);
    RECT frame;
    GetWindowRect(trying.window, &frame);
    if (frame.right - frame.left != outer.cx || frame.bottom - frame.top != outer.cy)
        SetWindowPos(trying.window, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    os.PostMessageW(trying.window, LM_RELOAD, 0, 0);
}

// Reads the disc again when a file below the root changed since the last look.
// Returns the milliseconds the look took.
static DWORD LookForChanges()
{
    DWORD start = GetTickCount();
    // The worker reads the record: a reload waits until it has ended.
    if (InterlockedCompareExchange(&launcher.workerBusy, 0, 0))
        return 0;
    std::vector<TreeEntry> tree = LookAtTree();
    DWORD cost = GetTickCount() - start;
    if (!SameTree(tree, trying.tree)) {
        std::wstring changed = ChangedNames(trying.tree, tree);
        trying.tree.swap(tree);
        ReadDiscAgain(changed);
    }
    return cost;
}

// The launcher's message loop, with a look at the tree between messages.
static int RunWindow()
{
    DWORD lastLook = GetTickCount(), cost = 0;
    DWORD nextLook = lastLook + LOOK_INTERVAL_MS;
    DWORD watched = trying.change != INVALID_HANDLE_VALUE ? 1 : 0;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        LONG wait = static_cast<LONG>(nextLook - GetTickCount());
        if (wait <= 0) {
            cost = LookForChanges();
            lastLook = GetTickCount();
            nextLook = lastLook + std::max<DWORD>(LOOK_INTERVAL_MS, cost * LOOK_COST_FACTOR);
            continue;
        }
        DWORD woken = MsgWaitForMultipleObjectsEx(watched, &trying.change, static_cast<DWORD>(wait),
                                                  QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (watched && woken == WAIT_OBJECT_0) {
            FindNextChangeNotification(trying.change);
            // Even a stream of changes leaves the window at least half the time.
            DWORD soonest = lastLook + cost;
            nextLook = static_cast<LONG>(soonest - GetTickCount()) > 0 ? soonest : GetTickCount();
        }
    }
}

int TryDisc(Checker *checker, CheckRun check)
{
    trying.check = check;
    trying.options = checker->options;
    trying.activeSlot = -1;
    if (check(checker) == EXIT_TROUBLE)
        return EXIT_TROUBLE;
    trying.root = launcher.sourceRoot;
    trying.tree = LookAtTree();
    trying.change =
        FindFirstChangeNotificationW(trying.root.c_str(), TRUE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                         FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);

    if (trying.options.language.empty()) {
        wchar_t language[TEXT_CAPACITY] = L"";
        ReadUserLanguage(language);
        trying.userLanguage = language;
    } else {
        trying.userLanguage = trying.options.language;
    }
    ShowInsteadOfRunning();
    PrepareLauncher();
    trying.window = CreateLauncherWindow(TRY_CLASS);
    if (!trying.window) {
        WriteError(L"AUTORUN-CHECK: cannot create the launcher's window\n");
        return EXIT_TROUBLE;
    }
    trying.launcherProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(trying.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TryWndProc)));
    WriteOut(L"\nAUTORUN-CHECK --try: the launcher's window on " + Quote(trying.root) +
             L"; what its buttons run is printed here, not run. The disc is checked and shown "
             L"again when a file below it changes. Close the window to end.\n");
    int exitCode = RunWindow();
    LeaveAccessibility();
    return exitCode;
}
