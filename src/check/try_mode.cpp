// AUTORUN-CHECK --try: the launcher's own window on a disc folder. Its
// procedure, paint, hover, keys and sounds are the launcher's; what a button
// would run is printed instead of run; the disc is checked and shown again
// whenever a file below its root changes.
#include "try_mode.h"
#include "button_table.h"
#include "load.h"

#include "commands/commands.h"
#include "config/command_table.h"
#include "config/config_values.h"
#include "config/image_scale.h"
#include "config/language.h"
#include "state/bounded_text.h"
#include "state/launcher_state.h"
#include "window/accessibility.h"
#include "window/window.h"

#include <algorithm>

// Not the launcher's class, so a running launcher and its single-instance
// rule never see this window.
static const wchar_t TRY_CLASS[] = L"KT.AutorunTry";

static const wchar_t NO_PRODUCT_CODE[] =
    L"; the registry here holds no product code, so it starts nothing";

enum : DWORD {
    LOOK_INTERVAL_MS = 200,
    // A look at a large tree waits this many times its own cost before the
    // next, so the tree never takes more than a tenth of the time.
    LOOK_COST_FACTOR = 10,
    TREE_DEPTH = 16, // a linked folder may lead back up the tree
    NAMES_SHOWN = 3, // of the files changed, on the console
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
    std::vector<TreeEntry> tree; // the tree at the last reading
    // A change was seen and the disc is read again once the tree has stayed
    // as it is for a look interval: an editor's save is then complete.
    bool settling;
    DWORD changeSeen;
    std::vector<TreeEntry> latest; // the tree at the last look
    bool gone;                     // the root is missing, renamed or removed
    // Wakes a look at once. Of the changes Linux programs make, Wine reports
    // only those in the root itself, so the tree is looked at on a timer too.
    HANDLE change;
};

static TryState trying;

// Prints what the launcher would do for the slot instead of doing it; only
// closing the window is done.
static void ShowCommand(HWND window, int slotIndex, const CommandPlan &plan)
{
    std::wstring outcome;
    wchar_t productCode[TEXT_CAPACITY];
    if (plan.productCodeFromRegistry && !ReadProductCode(productCode))
        outcome = NO_PRODUCT_CODE;
    WriteOut(std::wstring(CommandTable[slotIndex].key) + L": " + WhatItRuns(plan) + outcome +
             L"\n");
    if (plan.closes)
        DestroyWindow(window);
}

// --try --scale: the window at the last scale asked for; otherwise the display's own.
static int TryDpi()
{
    return trying.options.scales.empty() ? 0 : DpiOfPercent(trying.options.scales.back());
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
    for (size_t n = 0; n < names.size() && n < NAMES_SHOWN; n++)
        text += (n ? L", " : L"") + names[n];
    if (names.size() > NAMES_SHOWN)
        text += L" and " + Number(names.size() - NAMES_SHOWN) + L" more";
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
// the record is kept aside and the disc loaded again afterwards.
static void ReadDiscAgain(const std::wstring &changed)
{
    WindowRecord window = launcher;
    ReleaseLoad();
    WriteOut(L"\nAUTORUN-CHECK --try: " + changed + L" changed; checking the disc again\n\n");
    RunCheck();

    static_cast<WindowRecord &>(launcher) = window;
    StartDiscLoad(trying.options.section.c_str(), trying.userLanguage.c_str());
    SIZE outer;
    LayOutShownWindow(trying.window, &outer, TryDpi());
    RECT frame;
    GetWindowRect(trying.window, &frame);
    if (frame.right - frame.left != outer.cx || frame.bottom - frame.top != outer.cy)
        SetWindowPos(trying.window, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(trying.window, LM_RELOAD, 0, 0);
}

// Watches the root for changes below it; none when it cannot be watched.
static void WatchRoot()
{
    if (trying.change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(trying.change);
    trying.change =
        FindFirstChangeNotificationW(trying.root.c_str(), TRUE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                         FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
}

// Notes whether the root is there; said once each time it goes. 0 while it is gone.
static int FindRoot()
{
    bool gone = GetFileAttributesW(trying.root.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (gone && !trying.gone) {
        WriteOut(L"\nAUTORUN-CHECK --try: " + Quote(trying.root) +
                 L" is gone (renamed or removed); the window stays, and the disc is checked "
                 L"again when it is back\n");
        // A notification on a folder that is gone would wake the loop again and again.
        if (trying.change != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(trying.change);
        trying.change = INVALID_HANDLE_VALUE;
    } else if (!gone && trying.gone) {
        WatchRoot();
    }
    trying.gone = gone;
    return !gone;
}

// Reads the disc again once a change below the root has settled: the tree
// looked the same for a look interval after the change was seen. Returns the
// milliseconds the look took.
static DWORD LookForChanges()
{
    DWORD start = GetTickCount();
    // The worker reads the record: a reload waits until it has ended.
    if (InterlockedCompareExchange(&launcher.workerBusy, 0, 0) || !FindRoot())
        return 0;
    std::vector<TreeEntry> tree = LookAtTree();
    DWORD cost = GetTickCount() - start;
    if (!SameTree(tree, trying.latest)) {
        trying.latest.swap(tree);
        trying.settling = true;
        trying.changeSeen = GetTickCount();
    } else if (trying.settling && GetTickCount() - trying.changeSeen >= LOOK_INTERVAL_MS) {
        trying.settling = false;
        if (!SameTree(trying.latest, trying.tree)) {
            std::wstring names = ChangedNames(trying.tree, trying.latest);
            trying.tree = trying.latest;
            ReadDiscAgain(names);
        }
    }
    return cost;
}

// The launcher's message loop, with a look at the tree between messages.
static int RunWindow()
{
    DWORD lastLook = GetTickCount(), cost = 0;
    DWORD nextLook = lastLook + LOOK_INTERVAL_MS;
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
        DWORD watched = trying.change != INVALID_HANDLE_VALUE ? 1 : 0;
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
    if (check(checker) == EXIT_TROUBLE)
        return EXIT_TROUBLE;
    trying.root = launcher.sourceRoot;
    trying.tree = LookAtTree();
    trying.latest = trying.tree;
    trying.change = INVALID_HANDLE_VALUE;
    WatchRoot();

    if (trying.options.language.empty()) {
        wchar_t language[TEXT_CAPACITY] = L"";
        ReadUserLanguage(language);
        trying.userLanguage = language;
    } else {
        trying.userLanguage = trying.options.language;
    }
    SetCommandPerformer(ShowCommand);
    // The launcher's record as start-up leaves it for the window, the disc's
    // own AUTORUN.INI in place of a working copy.
    StartDiscLoad(trying.options.section.c_str(), trying.userLanguage.c_str());
    launcher.dpi = TryDpi();
    trying.window = CreateLauncherWindow(TRY_CLASS);
    if (!trying.window) {
        WriteError(L"AUTORUN-CHECK: cannot create the launcher's window\n");
        return EXIT_TROUBLE;
    }
    WriteOut(L"\nAUTORUN-CHECK --try: the launcher's window on " + Quote(trying.root) +
             L"; what its buttons run is printed here, not run. The disc is checked and shown "
             L"again when a file below it changes. Close the window to end.\n");
    int exitCode = RunWindow();
    LeaveAccessibility();
    if (trying.change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(trying.change);
    return exitCode;
}
