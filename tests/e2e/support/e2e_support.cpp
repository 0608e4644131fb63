#include "e2e_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <iostream>
#include <map>

std::wstring FindDriveByLabel(const std::wstring &label)
{
    for (wchar_t letter = L'D'; letter <= L'Y'; letter++) {
        wchar_t root[] = {letter, L':', L'\\', 0};
        wchar_t found[MAX_PATH] = L"";
        if (GetVolumeInformationW(root, found, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0) &&
            label == found)
            return root;
    }
    return L"";
}

// Whether the program file `program` (a full path) is a launcher's.
static bool IsLauncher(const std::wstring &program)
{
    size_t name = program.find_last_of(L'\\') + 1;
    return lstrcmpiW(program.c_str() + name, L"AUTORUN.EXE") == 0;
}

// Whether `path` names a file in `folder` ("D:\") or below it.
static bool LiesIn(const std::wstring &path, const std::wstring &folder)
{
    int length = static_cast<int>(folder.size());
    return path.size() > folder.size() &&
           CompareStringOrdinal(path.c_str(), length, folder.c_str(), length, TRUE) == CSTR_EQUAL;
}

// The running processes, other than this one, whose program file `matches`.
static std::vector<DWORD> FindProcesses(const std::function<bool(const std::wstring &)> &matches)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t program[MAX_PATH] = L"";
        DWORD size = MAX_PATH;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
            QueryFullProcessImageNameW(process, 0, program, &size) && matches(program))
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

// Ends every process whose program file `matches`, and returns once each has
// ended and so let go of its files.
static void EndProcesses(const std::function<bool(const std::wstring &)> &matches)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<DWORD> running = FindProcesses(matches);
        if (running.empty())
            return;
        if (GetTickCount() - start >= 30000) {
            std::string ids;
            for (DWORD id : running)
                ids += " " + std::to_string(id);
            ADD_FAILURE() << "processes still running after 30 s:" << ids;
            return;
        }
        for (DWORD id : running) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
            if (!process)
                continue; // it has ended meanwhile
            TerminateProcess(process, 98);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

static void EmptyFolder(const std::wstring &folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." || name == L".windows-label")
            continue;
        std::wstring child = folder + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
            EXPECT_FALSE(FileExists(child)) << "could not empty " << Utf8(child);
        } else {
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            BOOL deleted = DeleteFileW(child.c_str());
            DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
            EXPECT_TRUE(deleted) << "could not delete " << Utf8(child) << ": error " << error;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

void CopyFolder(const std::wstring &from, const std::wstring &to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << Utf8(from);
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyFolder(from + L"\\" + name, to + L"\\" + name);
        else
            CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void CopyBuildFile(const std::wstring &buildRelative, const std::wstring &destination)
{
    std::wstring source = BuildDir() + L"\\" + buildRelative;
    BOOL copied = CopyFileW(source.c_str(), destination.c_str(), FALSE);
    DWORD error = copied ? ERROR_SUCCESS : GetLastError();
    EXPECT_TRUE(copied) << Utf8(source) << " -> " << Utf8(destination) << ": error " << error;
}

static void CreateFolders(const std::wstring &path)
{
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || path[i] == L'\\')
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

Disc PrepareDisc(const std::wstring &label, const std::wstring &folder)
{
    Disc disc;
    disc.label = label;
    disc.root = FindDriveByLabel(label);
    EXPECT_FALSE(disc.root.empty()) << "no drive labelled " << Utf8(label);
    if (disc.root.empty()) {
        EndAllLaunchers();
        return disc;
    }
    // Whatever an earlier test ran from this disc, a launcher above all, holds
    // its program file until it has ended; a window says nothing of that.
    EndProcesses([&](const std::wstring &program) {
        return IsLauncher(program) || LiesIn(program, disc.root);
    });
    EmptyFolder(disc.root);
    DeleteFileW(WorkingCopyPath(label).c_str());
    std::wstring target = disc.root;
    if (!folder.empty()) {
        CreateFolders(disc.root + folder);
        target += folder + L"\\";
    }
    CopyBuildFile(L"AUTORUN.EXE", target + L"AUTORUN.EXE");
    return disc;
}

std::wstring WorkingCopyPath(const std::wstring &label)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = windows;
    if (path.back() != L'\\')
        path += L'\\';
    return path + L"~" + label + L".INI";
}

bool WaitFor(const std::function<bool()> &condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

Process::~Process()
{
    if (!handle)
        return;
    if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) {
        TerminateProcess(handle, 99);
        WaitForSingleObject(handle, 5000);
    }
    CloseHandle(handle);
}

DWORD Process::WaitExit(DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (handle && WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(handle, &code);
    return code;
}

bool Process::Running()
{
    return handle && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
}

// The environment block of this process with `extra` set on top.
static std::wstring
BuildEnvironment(const std::vector<std::pair<std::wstring, std::wstring>> &extra)
{
    std::map<std::wstring, std::wstring> variables;
    wchar_t *block = GetEnvironmentStringsW();
    for (wchar_t *p = block; *p; p += lstrlenW(p) + 1) {
        std::wstring entry = p;
        size_t equals = entry.find(L'=', 1);
        if (equals != std::wstring::npos)
            variables[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto &item : extra)
        variables[item.first] = item.second;
    std::wstring result;
    for (const auto &item : variables)
        result += item.first + L"=" + item.second + L'\0';
    result += L'\0';
    return result;
}

// CreateProcessW, except that a start Wine lost before the new process
// reported it (ERROR_INTERNAL_ERROR, nothing of the program run) is made once
// more, and said. On failure, `error` holds the last error.
static bool StartProcess(const std::wstring &program, const std::wstring &commandLine,
                         bool inheritHandles, DWORD flags, void *environment,
                         const wchar_t *folder, STARTUPINFOW &startup,
                         PROCESS_INFORMATION &info, DWORD &error)
{
    for (int attempt = 0; attempt < 2; attempt++) {
        std::wstring line = commandLine;
        if (CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, inheritHandles, flags,
                           environment, folder, &startup, &info))
            return true;
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR)
            return false;
        std::cerr << "starting " << Utf8(program) << " again: Wine lost its start (error "
                  << error << ")\n";
    }
    return false;
}

Process Launch(const std::wstring &program,
               const std::vector<std::pair<std::wstring, std::wstring>> &environment,
               const std::wstring &arguments, const std::wstring &outputPath)
{
    Process process;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    std::wstring block = BuildEnvironment(environment);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputPath.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, output) << Utf8(outputPath);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info = {};
    DWORD error = ERROR_SUCCESS;
    if (StartProcess(program, commandLine, output != INVALID_HANDLE_VALUE,
                     CREATE_UNICODE_ENVIRONMENT, &block[0], folder.c_str(), startup, info,
                     error)) {
        CloseHandle(info.hThread);
        process.handle = info.hProcess;
        process.id = info.dwProcessId;
    }
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    EXPECT_TRUE(process.Started()) << "could not start " << Utf8(program) << ": error " << error;
    return process;
}

DWORD RunCapturingOutput(const std::wstring &program, const std::wstring &arguments,
                         std::string *output, DWORD timeoutMs)
{
    TempDir folder;
    std::wstring outputPath = folder.File(L"output.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION info = {};
    DWORD code = STILL_ACTIVE;
    DWORD error = ERROR_SUCCESS;
    if (StartProcess(program, commandLine, true, 0, nullptr, nullptr, startup, info, error)) {
        CloseHandle(info.hThread);
        if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, STILL_ACTIVE);
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hProcess);
    } else {
        ADD_FAILURE() << "could not start " << Utf8(program) << ": error " << error;
    }
    CloseHandle(file);
    *output = ReadBytes(outputPath);
    return code;
}

namespace {
struct WindowSearch {
    const wchar_t *className;
    DWORD processId;
    HWND found;
};
} // namespace

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId && owner != search->processId)
        return TRUE;
    wchar_t name[256];
    if (!GetClassNameW(window, name, 256) || lstrcmpW(name, search->className) != 0)
        return TRUE;
    // A window that is still being created is not shown yet, nor sized.
    if (!IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForWindow(const wchar_t *className, DWORD processId, DWORD timeoutMs)
{
    WindowSearch search = {className, processId, nullptr};
    WaitFor(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

bool MessageBoxView::HasButton(int id) const
{
    return GetDlgItem(window, id) != nullptr;
}

void MessageBoxView::Press(int id) const
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

MessageBoxView WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    MessageBoxView box;
    box.window = WaitForWindow(L"#32770", processId, timeoutMs);
    if (box.window) {
        // The text control may be filled a moment after the box appears.
        WaitFor([&] { return GetDlgItem(box.window, 0xFFFF) != nullptr; }, 2000);
        // Asked with a time limit: a box of a hung program must not hang the test.
        wchar_t text[1024] = L"";
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(GetDlgItem(box.window, 0xFFFF), WM_GETTEXT, 1024,
                            reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &copied);
        box.text = text;
        box.caption = WindowText(box.window);
    }
    return box;
}

void EndAllLaunchers()
{
    EndProcesses(IsLauncher);
}

std::vector<std::string> ReadRecord(const std::wstring &logPath)
{
    std::vector<std::string> lines;
    std::string bytes = ReadBytes(logPath);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Utf8(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], bytes, nullptr, nullptr);
    return result;
}

PreferNativeDll::PreferNativeDll(const std::wstring &program, const std::wstring &dllName)
    : key(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides"), dll(dllName)
{
    HKEY overrides;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &overrides, nullptr) == ERROR_SUCCESS) {
        const wchar_t value[] = L"native,builtin";
        RegSetValueExW(overrides, dll.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                       sizeof value);
        RegCloseKey(overrides);
    }
}

PreferNativeDll::~PreferNativeDll()
{
    HKEY overrides;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &overrides) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(overrides, dll.c_str());
        RegCloseKey(overrides);
    }
}

std::wstring UserLanguageName()
{
    wchar_t name[MAX_PATH] = L"";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, MAX_PATH);
    return name;
}

// Why a key typed now would not reach `window`, or "" when it would: a key
// goes to the thread in front, and there to its focus.
static std::string WhyNoKeyboard(HWND window)
{
    HWND front = GetForegroundWindow();
    if (front != window) {
        wchar_t frontClass[256] = L"";
        GetClassNameW(front, frontClass, 256);
        return "in front is a window of class \"" + Utf8(frontClass) + "\"";
    }
    GUITHREADINFO thread = {sizeof thread};
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread))
        return "its thread's state is unknown, error " + std::to_string(GetLastError());
    return thread.hwndFocus == window ? "" : "its thread's focus is on another window";
}

void SendKeys(HWND window, std::initializer_list<WORD> keys, int times)
{
    SetForegroundWindow(window);
    // Twice in a row, a little apart: the display server's own focus events,
    // late after a window opens, can still take the keyboard away once.
    std::string why;
    bool held = WaitFor(
        [&] {
            if (!(why = WhyNoKeyboard(window)).empty())
                return false;
            Sleep(100);
            return (why = WhyNoKeyboard(window)).empty();
        },
        5000);
    if (!held)
        ADD_FAILURE() << "the window never took the keyboard: " << why;
    std::vector<INPUT> input;
    for (int i = 0; i < times; i++) {
        for (WORD key : keys) {
            for (DWORD flags : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
                INPUT event = {};
                event.type = INPUT_KEYBOARD;
                event.ki.wVk = key;
                event.ki.dwFlags = flags;
                input.push_back(event);
            }
        }
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

void Click(HWND window, const RECT &area, int times)
{
    POINT point = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ClientToScreen(window, &point);
    SetForegroundWindow(window);
    SetCursorPos(point.x, point.y);
    std::vector<INPUT> input;
    for (int i = 0; i < times; i++) {
        for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT event = {};
            event.type = INPUT_MOUSE;
            event.mi.dwFlags = flags;
            input.push_back(event);
        }
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

void MovePointerTo(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = MulDiv(point.x + 1, 65536, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = MulDiv(point.y + 1, 65536, GetSystemMetrics(SM_CYSCREEN));
    SendInput(1, &input, sizeof input);
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}

bool WaitForPixel(HWND window, int x, int y, COLORREF expected, DWORD timeoutMs)
{
    return WaitFor([&] { return ClientPixel(window, x, y) == expected; }, timeoutMs);
}
