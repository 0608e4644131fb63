// Command dispatch, the workers and the registry read, with the shell, threads,
// processes, message boxes and the registry faked at the platform seam.
#include "commands/commands.h"
#include "config/command_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring &text)
{
    std::string bytes(text.size() * 3, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                     &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(length > 0 ? length : 0);
    return bytes;
}

std::wstring Shown(const wchar_t *text)
{
    return text ? text : L"(null)";
}

struct ShellCall {
    HWND owner;
    std::wstring verb, file, parameters, directory;
    int show;
    bool waitCursor;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI FakeShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                  LPCWSTR directory, INT show)
{
    bool waitCursor = GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
    shellCalls.push_back(
        {owner, Shown(verb), Shown(file), Shown(parameters), Shown(directory), show, waitCursor});
    return reinterpret_cast<HINSTANCE>(33);
}

struct ThreadCall {
    LPTHREAD_START_ROUTINE start;
    LONG busyAtCreation;
};
std::vector<ThreadCall> threadCalls;
bool threadCreationFails;

HANDLE WINAPI FakeCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                               LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags, LPDWORD)
{
    EXPECT_TRUE(!security && stack == 0 && !parameter && flags == 0);
    threadCalls.push_back({start, InterlockedCompareExchange(&launcher.workerBusy, 0, 0)});
    // Any real handle will do: the dispatcher only closes it.
    return threadCreationFails ? nullptr : CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

struct Prompt {
    HWND owner;
    std::wstring text, caption;
    UINT type;
};
std::vector<Prompt> prompts;
std::vector<int> answers; // taken in order; Cancel once they run out
std::function<void(size_t)> beforeAnswer;

int WINAPI FakeMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    prompts.push_back({owner, text, caption, type});
    if (beforeAnswer)
        beforeAnswer(prompts.size());
    return prompts.size() <= answers.size() ? answers[prompts.size() - 1] : IDCANCEL;
}

// A registry holding at most the one value under one key.
struct FakeRegistry {
    bool keyExists;
    std::wstring valueName;
    std::string data;
    std::wstring openedKey;
    HKEY openedRoot;
    REGSAM access;
    int opens, closes;
} registry;

const HKEY FAKE_KEY = reinterpret_cast<HKEY>(0x4321);

LONG WINAPI FakeRegOpen(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    EXPECT_EQ(0u, options);
    registry.openedRoot = root;
    registry.openedKey = subKey;
    registry.access = access;
    if (!registry.keyExists)
        return ERROR_FILE_NOT_FOUND;
    registry.opens++;
    *result = FAKE_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeRegQuery(HKEY key, LPCWSTR name, LPDWORD, LPDWORD, LPBYTE data, LPDWORD bytes)
{
    EXPECT_EQ(FAKE_KEY, key);
    if (registry.valueName != name)
        return ERROR_FILE_NOT_FOUND;
    DWORD size = static_cast<DWORD>(registry.data.size());
    if (*bytes < size) {
        *bytes = size;
        return ERROR_MORE_DATA;
    }
    memcpy(data, registry.data.data(), size);
    *bytes = size;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeRegClose(HKEY key)
{
    EXPECT_EQ(FAKE_KEY, key);
    registry.closes++;
    return ERROR_SUCCESS;
}

std::string Bytes(const std::wstring &text, bool terminated)
{
    return std::string(reinterpret_cast<const char *>(text.c_str()),
                       (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

void StoreProductCode(const std::wstring &code)
{
    registry = {true, L"ProductCodeGUID", Bytes(code, true), L"", nullptr, 0, 0, 0};
}

bool TakePosted(HWND window, UINT message)
{
    MSG msg;
    return PeekMessageW(&msg, window, message, message, PM_REMOVE) && msg.wParam == 0 &&
           msg.lParam == 0;
}

class Commands : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir disc;
    std::wstring root;
    HWND window = nullptr;

    void SetUp() override
    {
        root = disc.Path() + L"\\";
        ASSERT_EQ(std::wstring::npos, root.find(L' ')) << "the cases below assume no blank";
        SetText(launcher.sourceRoot, root);
        SetText(launcher.iniPath, disc.File(L"a.ini"));
        SetText(launcher.activeSection, L"Setup");
        SetText(launcher.sectionPrefix, L"Setup");
        SetText(launcher.language, L"English");
        SetText(launcher.volumeLabel, L"MYDISC");
        SetText(launcher.caption, L"Product Setup");
        WriteTextFile(disc.File(L"a.ini"), L"[SetupStr_English]\r\nInsert=Please insert %s.\r\n");
        WriteTextFile(disc.File(L"setup.exe"), L"");
        CreateDirectoryW(disc.File(L"My Setup").c_str(), nullptr);
        WriteTextFile(disc.File(L"My Setup\\setup.exe"), L"");
        window =
            CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        launcher.mainWindow = window;
        ClearCommandTable();
        os.ShellExecuteW = FakeShellExecute;
        os.CreateThread = FakeCreateThread;
        os.MessageBoxW = FakeMessageBox;
        os.RegOpenKeyExW = FakeRegOpen;
        os.RegQueryValueExW = FakeRegQuery;
        os.RegCloseKey = FakeRegClose;
        shellCalls.clear();
        threadCalls.clear();
        threadCreationFails = false;
        prompts.clear();
        answers.clear();
        beforeAnswer = nullptr;
        StoreProductCode(L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}");
    }

    void TearDown() override
    {
        ClearCommandTable();
        DestroyWindow(window);
    }

    void SetSlot(int index, CommandKind kind, const std::wstring &path,
                 const std::wstring &arguments = L"")
    {
        CommandTable[index].kind = kind;
        SetText(CommandTable[index].path, path);
        SetText(CommandTable[index].arguments, arguments);
    }

    LONG Busy() { return InterlockedCompareExchange(&launcher.workerBusy, 0, 0); }
};

TEST_F(Commands, ShellCommandsPassExactlyTheirArguments)
{
    const struct {
        CommandKind kind;
        const wchar_t *path, *arguments, *verb, *file, *parameters, *directory;
        bool waitCursor;
    } cases[] = {
        {CMD_BROWSE, L"", L"ignored", L"explore", L"D:\\", L"(null)", L"(null)", true},
        {CMD_BROWSE, L"docs\\manual", L"", L"explore", L"D:\\docs\\manual", L"(null)", L"(null)",
         true},
        {CMD_EXE, L"readme.txt", L"", L"open", L"D:\\readme.txt", L"", L"", false},
        {CMD_EXE, L"tools\\view.exe", L"-q x", L"open", L"D:\\tools\\view.exe", L"-q x", L"",
         false},
        {CMD_WEB, L"http://example.com/a", L"", L"open", L"http://example.com/a", L"", L"", false},
        {CMD_WEB, L"mailto:help@example.com", L"x", L"open", L"mailto:help@example.com", L"x", L"",
         false},
    };
    SetText(launcher.sourceRoot, L"D:\\");
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    for (const auto &c : cases) {
        shellCalls.clear();
        SetCursor(arrow);
        SetSlot(4, c.kind, c.path, c.arguments);
        ExecuteCommand(window, 4);
        ASSERT_EQ(1u, shellCalls.size()) << c.path;
        const ShellCall &call = shellCalls[0];
        EXPECT_EQ(window, call.owner);
        EXPECT_EQ(c.verb, call.verb);
        EXPECT_EQ(c.file, call.file);
        EXPECT_EQ(c.parameters, call.parameters) << c.path;
        EXPECT_EQ(c.directory, call.directory) << c.path;
        EXPECT_EQ(SW_SHOWNORMAL, call.show);
        EXPECT_EQ(c.waitCursor, call.waitCursor) << c.path;
        EXPECT_EQ(arrow, GetCursor()) << "the cursor in force comes back";
    }
}

TEST_F(Commands, EveryCommandIsIgnoredWhileAWorkerRunsExitIncluded)
{
    const CommandKind kinds[] = {CMD_BROWSE, CMD_EXE, CMD_EXIT, CMD_INSTALL, CMD_UNINST, CMD_WEB};
    for (int i = 0; i < 6; i++)
        SetSlot(i, kinds[i], i == CMD_INSTALL ? L"missing.exe" : L"x");
    launcher.workerBusy = 1;
    for (int i = 0; i < 6; i++)
        ExecuteCommand(window, i);
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(threadCalls.empty());
    EXPECT_EQ(0, registry.opens);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(1, Busy());

    launcher.workerBusy = 0;
    ExecuteCommand(window, CMD_EXIT);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Commands, IndexesAndKindsOutsideTheTableDoNothing)
{
    for (int i = 0; i < SLOT_COUNT; i++)
        SetSlot(i, CMD_WEB, L"http://example.com/");
    for (int index : {-1, 30, 1000, INT_MIN})
        ExecuteCommand(window, index);
    SetSlot(0, static_cast<CommandKind>(6), L"x");
    SetSlot(1, static_cast<CommandKind>(-1), L"x");
    ExecuteCommand(window, 0);
    ExecuteCommand(window, 1);
    EXPECT_TRUE(shellCalls.empty());
    ExecuteCommand(window, 29);
    EXPECT_EQ(1u, shellCalls.size());
}

TEST_F(Commands, TargetsAndCommandLinesThatWouldNotFitAreRefusedNotCut)
{
    SetText(launcher.sourceRoot, L"D:\\");
    const struct {
        CommandKind kind;
        size_t pathLength;
        const wchar_t *arguments;
        bool runs;
    } cases[] = {
        {CMD_EXE, 256, L"", true}, // 259 characters: the most a text holds
        {CMD_EXE, 257, L"", false},     {CMD_BROWSE, 257, L"", false},
        {CMD_INSTALL, 257, L"", false}, {CMD_INSTALL, 250, L"/quiet /norestart", false},
    };
    for (const auto &c : cases) {
        shellCalls.clear();
        SetSlot(0, c.kind, std::wstring(c.pathLength, L'a'), c.arguments);
        ExecuteCommand(window, 0);
        EXPECT_EQ(c.runs ? 1u : 0u, shellCalls.size()) << c.pathLength;
        if (c.runs) {
            EXPECT_EQ(L"D:\\" + std::wstring(c.pathLength, L'a'), shellCalls[0].file);
        }
    }
    EXPECT_TRUE(prompts.empty()) << "refused before asking for the disc";
    EXPECT_TRUE(threadCalls.empty());
}

TEST_F(Commands, InstallerCommandLines)
{
    const struct {
        const wchar_t *path, *arguments;
        std::wstring commandLine;
    } cases[] = {
        {L"setup.exe", L"", root + L"setup.exe "},
        {L"setup.exe", L"/s", root + L"setup.exe /s"},
        {L"My Setup\\setup.exe", L"/s a b", L"\"" + root + L"My Setup\\setup.exe\" /s a b"},
        {L"My Setup\\setup.exe", L"", L"\"" + root + L"My Setup\\setup.exe\" "},
    };
    for (const auto &c : cases) {
        threadCalls.clear();
        launcher.workerBusy = 0;
        SetSlot(7, CMD_INSTALL, c.path, c.arguments);
        ExecuteCommand(window, 7);
        ASSERT_EQ(1u, threadCalls.size()) << c.path;
        EXPECT_EQ(InstallerThread, threadCalls[0].start);
        EXPECT_EQ(1, threadCalls[0].busyAtCreation) << "raised before the thread exists";
        EXPECT_EQ(c.commandLine, launcher.workerCommand);
        // The pieces it was built from, for a start that needs elevation.
        EXPECT_EQ(root + c.path, launcher.workerProgram);
        EXPECT_STREQ(c.arguments, launcher.workerParameters);
        EXPECT_EQ(1, Busy());
    }
    EXPECT_TRUE(prompts.empty());

    ExecuteCommand(window, 7);
    EXPECT_EQ(1u, threadCalls.size()) << "a second activation before the worker runs";
}

TEST_F(Commands, InsertPromptTakesOnlyTheLabelAndIsNeverCut)
{
    std::wstring longLabel(200, L'L');
    const struct {
        std::wstring insertLine, label, message;
    } cases[] = {
        {L"Insert=Please insert %s.", L"MYDISC", L"Please insert MYDISC."},
        {L"Insert=%s%s%n", L"MYDISC", L"MYDISC%s%n"},
        {L"Insert=%d %x %s", L"MYDISC", L"%d %x MYDISC"},
        {L"Insert=Wrong disc.", L"MYDISC", L"Wrong disc."},
        {L"", L"MYDISC", L""},
        {L"Insert=" + std::wstring(250, L'x') + L"%s", longLabel,
         std::wstring(250, L'x') + longLabel},
    };
    SetSlot(0, CMD_INSTALL, L"missing.exe", L"/s");
    for (const auto &c : cases) {
        prompts.clear();
        WriteTextFile(disc.File(L"a.ini"), L"[SetupStr_English]\r\n" + c.insertLine + L"\r\n");
        SetText(launcher.volumeLabel, c.label);
        ExecuteCommand(window, 0);
        ASSERT_EQ(1u, prompts.size()) << "answered Cancel";
        EXPECT_EQ(c.message, prompts[0].text) << c.insertLine;
        EXPECT_EQ(window, prompts[0].owner);
        EXPECT_EQ(L"Product Setup", prompts[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION), prompts[0].type);
    }
}

TEST_F(Commands, OkAfterTheInstallerAppearsStartsItAndTheTextIsReadEachTime)
{
    SetSlot(0, CMD_INSTALL, L"late\\setup.exe");
    answers = {IDOK, IDOK};
    beforeAnswer = [&](size_t shown) {
        EXPECT_EQ(root + L"late\\setup.exe", launcher.workerCommand)
            << "the program is named before the prompt";
        if (shown == 1) {
            WriteTextFile(disc.File(L"a.ini"), L"[SetupStr_English]\r\nInsert=Still not %s.\r\n");
        } else {
            CreateDirectoryW(disc.File(L"late").c_str(), nullptr);
            WriteTextFile(disc.File(L"late\\setup.exe"), L"");
        }
    };
    ExecuteCommand(window, 0);
    ASSERT_EQ(2u, prompts.size());
    EXPECT_EQ(L"Please insert MYDISC.", prompts[0].text);
    EXPECT_EQ(L"Still not MYDISC.", prompts[1].text);
    ASSERT_EQ(1u, threadCalls.size());
    EXPECT_EQ(root + L"late\\setup.exe ", launcher.workerCommand);
}

TEST_F(Commands, UninstallRunsMsiexecWithTheStoredProductCode)
{
    SetSlot(3, CMD_UNINST, L"ignored.exe", L"ignored");
    ExecuteCommand(window, 3);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, registry.openedRoot);
    EXPECT_EQ(L"Software\\Velmora\\Shared Information\\AutoStart", registry.openedKey);
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), registry.access);
    EXPECT_EQ(1, registry.closes);
    ASSERT_EQ(1u, threadCalls.size());
    EXPECT_EQ(UninstallerThread, threadCalls[0].start);
    EXPECT_EQ(1, threadCalls[0].busyAtCreation);
    EXPECT_STREQ(L"msiexec", launcher.workerCommand);
    EXPECT_STREQ(L"/x {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", launcher.workerParameters);
}

TEST_F(Commands, UninstallWithoutAProductCodeStartsNothing)
{
    SetSlot(3, CMD_UNINST, L"");
    registry.valueName = L"OtherValue";
    ExecuteCommand(window, 3);
    registry.keyExists = false;
    ExecuteCommand(window, 3);
    EXPECT_EQ(registry.opens, registry.closes);
    EXPECT_TRUE(threadCalls.empty());
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_EQ(0, Busy());
}

TEST_F(Commands, ThreadThatCannotBeCreatedLowersTheFlagAgain)
{
    threadCreationFails = true;
    SetSlot(0, CMD_INSTALL, L"setup.exe");
    SetSlot(1, CMD_UNINST, L"");
    for (int index : {0, 1, 0}) {
        ExecuteCommand(window, index);
        EXPECT_EQ(1, threadCalls.back().busyAtCreation);
        EXPECT_EQ(0, Busy());
    }
    EXPECT_EQ(3u, threadCalls.size()) << "each next command is accepted";
}

struct ProcessCall {
    bool nullApplication;
    wchar_t *commandLine;
    bool plainCall;
    bool startupZeroButSize;
};
std::vector<ProcessCall> processCalls;

BOOL WINAPI FakeCreateProcess(LPCWSTR application, LPWSTR commandLine,
                              LPSECURITY_ATTRIBUTES processAttributes,
                              LPSECURITY_ATTRIBUTES threadAttributes, BOOL inherit, DWORD flags,
                              LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                              LPPROCESS_INFORMATION)
{
    STARTUPINFOW zero = {};
    zero.cb = sizeof zero;
    processCalls.push_back({application == nullptr, commandLine,
                            !processAttributes && !threadAttributes && !inherit && flags == 0 &&
                                !environment && !directory,
                            memcmp(startup, &zero, sizeof zero) == 0});
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
}

struct ShellExecuteExCall {
    SHELLEXECUTEINFOW info;
    std::wstring verb, file, parameters;
};
std::vector<ShellExecuteExCall> shellExCalls;
BOOL shellExResult;
HANDLE shellExProcess;

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOW *info)
{
    shellExCalls.push_back(
        {*info, Shown(info->lpVerb), Shown(info->lpFile), Shown(info->lpParameters)});
    info->hProcess = shellExProcess;
    return shellExResult;
}

class Workers : public Commands {};

TEST_F(Workers, InstallerThatCannotStartStillPostsAndLowersTheFlag)
{
    processCalls.clear();
    os.CreateProcessW = FakeCreateProcess;
    SetText(launcher.workerCommand, L"D:\\setup.exe /s");
    launcher.workerBusy = 1;
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), InstallerThread(nullptr));
    ASSERT_EQ(1u, processCalls.size());
    EXPECT_TRUE(processCalls[0].nullApplication);
    EXPECT_EQ(launcher.workerCommand, processCalls[0].commandLine) << "the writable field itself";
    EXPECT_TRUE(processCalls[0].plainCall);
    EXPECT_TRUE(processCalls[0].startupZeroButSize);
    EXPECT_TRUE(TakePosted(window, LM_INSTALL_DONE));
    EXPECT_EQ(0, Busy());
}

std::vector<LONG> busyWhenPosted;

BOOL WINAPI PostSeeingTheFlag(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    busyWhenPosted.push_back(InterlockedCompareExchange(&launcher.workerBusy, 0, 0));
    return PostMessageW(window, message, wParam, lParam);
}

TEST_F(Workers, FlagIsLoweredOnlyOnceTheMessageIsPosted)
{
    // A command accepted between the two would start a second worker before
    // the window heard of the first one's end.
    os.CreateProcessW = FakeCreateProcess;
    os.ShellExecuteExW = FakeShellExecuteEx;
    os.PostMessageW = PostSeeingTheFlag;
    shellExResult = FALSE;
    for (LPTHREAD_START_ROUTINE worker : {InstallerThread, UninstallerThread}) {
        busyWhenPosted.clear();
        launcher.workerBusy = 1;
        worker(nullptr);
        EXPECT_EQ(std::vector<LONG>{1}, busyWhenPosted);
        EXPECT_EQ(0, Busy());
    }
}

// An event stands in for a process that ends a moment after it starts.
volatile LONG processEnded;

DWORD WINAPI EndProcessLater(LPVOID event)
{
    Sleep(50);
    InterlockedExchange(&processEnded, 1);
    SetEvent(event);
    return 0;
}

std::vector<LONG> endedWhenPosted;

BOOL WINAPI PostSeeingTheProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    endedWhenPosted.push_back(InterlockedCompareExchange(&processEnded, 0, 0));
    return PostMessageW(window, message, wParam, lParam);
}

TEST_F(Workers, UninstallerWaitsForMsiexecThenPostsWhateverTheShellDoes)
{
    os.ShellExecuteExW = FakeShellExecuteEx;
    os.PostMessageW = PostSeeingTheProcess;
    SetText(launcher.workerCommand, L"msiexec");
    SetText(launcher.workerParameters, L"/x {CODE}");
    const struct {
        BOOL result;
        bool process;
    } cases[] = {{TRUE, true}, {TRUE, false}, {FALSE, false}};
    for (const auto &c : cases) {
        shellExCalls.clear();
        endedWhenPosted.clear();
        shellExResult = c.result;
        processEnded = !c.process;
        shellExProcess = nullptr;
        HANDLE ender = nullptr;
        if (c.process) {
            shellExProcess = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            ender = CreateThread(nullptr, 0, EndProcessLater, shellExProcess, 0, nullptr);
        }
        launcher.workerBusy = 1;
        EXPECT_EQ(0u, UninstallerThread(nullptr));
        ASSERT_EQ(1u, shellExCalls.size());
        EXPECT_EQ(L"open", shellExCalls[0].verb);
        EXPECT_EQ(L"msiexec", shellExCalls[0].file);
        EXPECT_EQ(L"/x {CODE}", shellExCalls[0].parameters);
        EXPECT_EQ(window, shellExCalls[0].info.hwnd);
        EXPECT_TRUE(shellExCalls[0].info.fMask & SEE_MASK_NOCLOSEPROCESS) << "asks for the process";
        EXPECT_EQ(std::vector<LONG>{1}, endedWhenPosted) << "posted once, after msiexec ended";
        EXPECT_EQ(0, Busy());
        if (ender) {
            WaitForSingleObject(ender, INFINITE);
            CloseHandle(ender);
            DWORD flags;
            EXPECT_FALSE(GetHandleInformation(shellExProcess, &flags)) << "process handle closed";
        }
    }
}

TEST_F(Workers, RunProcessAndWaitGivesTheExitCodeOrEFail)
{
    std::wstring record = disc.File(L"record.txt");
    SetEnvironmentVariableW(L"AUTORUN_RECORD", record.c_str());
    SetEnvironmentVariableW(L"AUTORUN_RECORD_EXIT", L"7");
    std::wstring commandLine = L"\"" + BuildDir() + L"\\tools\\recorder.exe\" /s";
    std::wstring sent = commandLine;
    EXPECT_EQ(7u, RunProcessAndWait(&commandLine[0], nullptr, nullptr));
    EXPECT_EQ(Utf8(sent) + "\n", ReadBytes(record));
    SetEnvironmentVariableW(L"AUTORUN_RECORD", nullptr);
    SetEnvironmentVariableW(L"AUTORUN_RECORD_EXIT", nullptr);

    for (std::wstring unstartable : {disc.Path(), disc.File(L"none.exe"), disc.File(L"a.ini")})
        EXPECT_EQ(static_cast<DWORD>(E_FAIL), RunProcessAndWait(&unstartable[0], nullptr, nullptr))
            << Utf8(unstartable);
}

// Wine starts every program with a full administrator token, so CreateProcessW
// never fails there with ERROR_ELEVATION_REQUIRED and no end-to-end test can
// show this path; it is driven here at the seam.
BOOL WINAPI CreateProcessNeedingElevation(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES,
                                          LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                                          LPSTARTUPINFOW, LPPROCESS_INFORMATION)
{
    SetLastError(740); // ERROR_ELEVATION_REQUIRED
    return FALSE;
}

DWORD shellExError;

BOOL WINAPI FakeConsent(SHELLEXECUTEINFOW *info)
{
    BOOL result = FakeShellExecuteEx(info);
    if (!result)
        SetLastError(shellExError);
    return result;
}

TEST_F(Workers, InstallerNeedingElevationStartsThroughTheConsentPrompt)
{
    os.CreateProcessW = CreateProcessNeedingElevation;
    os.ShellExecuteExW = FakeConsent;
    SetText(launcher.workerCommand, L"\"D:\\My Setup\\setup.exe\" /s /lang English");
    SetText(launcher.workerProgram, L"D:\\My Setup\\setup.exe");
    SetText(launcher.workerParameters, L"/s /lang English");
    const struct {
        const char *answer;
        BOOL result;
        DWORD error;
        DWORD exitCode;
    } cases[] = {
        {"consent given", TRUE, 0, 7},
        {"consent declined", FALSE, ERROR_CANCELLED, static_cast<DWORD>(E_FAIL)},
        {"the shell failed", FALSE, ERROR_FILE_NOT_FOUND, static_cast<DWORD>(E_FAIL)},
    };
    for (const auto &c : cases) {
        shellExCalls.clear();
        shellExResult = c.result;
        shellExError = c.error;
        shellExProcess = nullptr;
        PROCESS_INFORMATION process = {};
        if (c.result) {
            // A real process that ends with 7 stands in for the elevated installer.
            STARTUPINFOW startup = {};
            startup.cb = sizeof startup;
            wchar_t exit7[] = L"cmd.exe /c exit 7";
            ASSERT_TRUE(CreateProcessW(nullptr, exit7, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                       nullptr, nullptr, &startup, &process));
            CloseHandle(process.hThread);
            shellExProcess = process.hProcess;
        }
        launcher.workerBusy = 1;
        EXPECT_EQ(c.exitCode, InstallerThread(nullptr)) << c.answer;
        ASSERT_EQ(1u, shellExCalls.size()) << c.answer;
        const SHELLEXECUTEINFOW &info = shellExCalls[0].info;
        EXPECT_EQ(L"runas", shellExCalls[0].verb);
        EXPECT_EQ(L"D:\\My Setup\\setup.exe", shellExCalls[0].file) << "unquoted";
        EXPECT_EQ(L"/s /lang English", shellExCalls[0].parameters);
        EXPECT_EQ(window, info.hwnd);
        // The exit code 7 shows the wait; a worker has no message loop to
        // finish an asynchronous start.
        EXPECT_TRUE(info.fMask & SEE_MASK_NOASYNC);
        DWORD flags;
        if (c.result) {
            EXPECT_FALSE(GetHandleInformation(shellExProcess, &flags)) << "process handle closed";
        }
        EXPECT_TRUE(TakePosted(window, LM_INSTALL_DONE)) << c.answer;
        EXPECT_EQ(0, Busy()) << c.answer;
    }

    // Any other failure to start is not retried through the shell.
    shellExCalls.clear();
    os.CreateProcessW = FakeCreateProcess;
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), InstallerThread(nullptr));
    EXPECT_TRUE(shellExCalls.empty());
    EXPECT_TRUE(TakePosted(window, LM_INSTALL_DONE));
}

TEST_F(Commands, ReadMachineStringTerminatesWhateverTheDataIs)
{
    const struct {
        std::string data;
        HRESULT result;
        std::wstring text;
    } cases[] = {
        {Bytes(L"{AB-12}", true), S_OK, L"{AB-12}"},
        {Bytes(L"{AB-12}", false), S_OK, L"{AB-12}"},
        {std::string("\x41\x00\x42\x00\x43", 5), S_OK, L"AB"},
        {Bytes(std::wstring(259, L'c'), false), S_OK, std::wstring(259, L'c')},
        {Bytes(std::wstring(260, L'c'), false), E_FAIL, L""},
        {Bytes(std::wstring(300, L'c'), true), E_FAIL, L""},
    };
    for (const auto &c : cases) {
        registry.data = c.data;
        wchar_t buffer[TEXT_CAPACITY + 2];
        wmemset(buffer, 0xCCCC, TEXT_CAPACITY + 2);
        EXPECT_EQ(c.result, ReadMachineString(L"Key", L"ProductCodeGUID", buffer,
                                              TEXT_CAPACITY * sizeof(wchar_t)));
        EXPECT_EQ(c.text, buffer);
        EXPECT_EQ(0xCCCC, buffer[TEXT_CAPACITY]) << "nothing written past the buffer";
    }
    EXPECT_EQ(registry.opens, registry.closes);
}

TEST_F(Commands, ReadMachineStringOnAMissingKeyOrValueFails)
{
    UseRealPlatform();
    wchar_t buffer[TEXT_CAPACITY];
    EXPECT_EQ(E_FAIL, ReadMachineString(L"Software\\Velmora\\No Such Key", L"ProductCodeGUID",
                                        buffer, sizeof buffer));
    EXPECT_EQ(E_FAIL, ReadMachineString(L"Software", L"NoSuchValue", buffer, sizeof buffer));
    EXPECT_STREQ(L"", buffer);
}

TEST_F(Commands, UninstallDoneSwitchesToSetupAndReloads)
{
    SetText(launcher.activeSection, L"Run");
    SetText(launcher.sectionPrefix, L"Run");
    SetSlot(0, CMD_EXIT, L"x", L"y");
    CommandTable[0].defined = 1;
    HandleUninstallDone(window);
    EXPECT_STREQ(L"Setup", launcher.activeSection);
    EXPECT_STREQ(L"Setup", launcher.sectionPrefix);
    EXPECT_EQ(0, CommandTable[0].defined);
    EXPECT_EQ(CMD_BROWSE, CommandTable[0].kind);
    EXPECT_STREQ(L"", CommandTable[0].path);
    EXPECT_TRUE(TakePosted(window, LM_RELOAD));
}

TEST_F(Commands, InstallDoneChangesNothingWhileTheProductCountsAsNotInstalled)
{
    SetSlot(0, CMD_EXIT, L"x");
    CommandTable[0].defined = 1;
    SetText(launcher.appRegKeyValue, L"Software\\Velmora\\Product");
    HandleInstallDone(window);
    EXPECT_STREQ(L"Setup", launcher.activeSection);
    EXPECT_EQ(1, CommandTable[0].defined);
    EXPECT_FALSE(TakePosted(window, LM_RELOAD));
}

} // namespace
