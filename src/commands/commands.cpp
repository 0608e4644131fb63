#include "commands.h"

#include "../config/command_table.h"
#include "../config/config_names.h"
#include "../config/config_values.h"
#include "../platform/platform.h"
#include "../state/bounded_text.h"
#include "../state/launcher_state.h"
#include "product_probe.h"

#include <wchar.h>

static const wchar_t PRODUCT_CODE_KEY[] = L"Software\\Velmora\\Shared Information\\AutoStart";
static const wchar_t PRODUCT_CODE_VALUE[] = L"ProductCodeGUID";
static const wchar_t UNINSTALLER[] = L"msiexec";
static const wchar_t UNINSTALL_OPTION[] = L"/x ";
// The platform's error for a program that needs administrator rights; the
// compiler's headers lack its name.
enum : DWORD { ELEVATION_REQUIRED = 740 };

static int IsWorkerBusy()
{
    return InterlockedCompareExchange(&launcher.workerBusy, 0, 0) != 0;
}

static void StartWorker(LPTHREAD_START_ROUTINE worker)
{
    // Raised before the thread exists, so no second command gets in meanwhile.
    InterlockedExchange(&launcher.workerBusy, 1);
    HANDLE thread = os.CreateThread(nullptr, 0, worker, nullptr, 0, nullptr);
    if (!thread) {
        InterlockedExchange(&launcher.workerBusy, 0);
        return;
    }
    CloseHandle(thread);
}

// A program path with a blank is quoted: unquoted, the platform would first try
// to start the part before the blank.
int BuildInstallerCommandLine(const wchar_t *program, const wchar_t *arguments,
                              wchar_t *commandLine)
{
    if (!wcschr(program, L' '))
        return JoinText3(commandLine, TEXT_CAPACITY, program, L" ", arguments);
    wchar_t quoted[TEXT_CAPACITY];
    return JoinText3(quoted, TEXT_CAPACITY, L"\"", program, L"\"") &&
           JoinText3(commandLine, TEXT_CAPACITY, quoted, L" ", arguments);
}

void ReadInsertPrompt(wchar_t *message)
{
    wchar_t section[TEXT_CAPACITY];
    wchar_t format[TEXT_CAPACITY];
    JoinText3(section, TEXT_CAPACITY, launcher.sectionPrefix, TEXTS_SECTION_INFIX,
              launcher.language);
    ReadConfigString(section, KEY_INSERT, format, TEXT_CAPACITY);
    FormatWithText(message, PROMPT_CAPACITY, format, launcher.volumeLabel);
}

static int AskForDisc(HWND window)
{
    wchar_t message[PROMPT_CAPACITY];
    ReadInsertPrompt(message);
    return os.MessageBoxW(window, message, launcher.caption, MB_OKCANCEL | MB_ICONEXCLAMATION);
}

// Asks for the disc until `program` can be reached; 0 when the user cancels.
static int WaitForInstallerProgram(HWND window, const wchar_t *program)
{
    while (GetFileAttributesW(program) == INVALID_FILE_ATTRIBUTES) {
        if (AskForDisc(window) == IDCANCEL)
            return 0;
    }
    return 1;
}

void DescribeCommand(int slotIndex, CommandPlan *plan)
{
    const CommandSlot &slot = CommandTable[slotIndex];
    *plan = CommandPlan{};
    plan->kind = slot.kind;
    plan->fits = true;
    switch (slot.kind) {
    case CMD_BROWSE:
        plan->target = TARGET_FOLDER;
        plan->verb = L"explore";
        plan->fits = JoinSourcePath(plan->file, slot.path);
        break;
    case CMD_EXE:
        plan->target = TARGET_FILE;
        plan->verb = L"open";
        plan->fits = JoinSourcePath(plan->file, slot.path);
        CopyText(plan->parameters, TEXT_CAPACITY, slot.arguments);
        break;
    case CMD_EXIT:
        plan->closes = true;
        break;
    case CMD_INSTALL:
        plan->target = TARGET_PROGRAM;
        plan->waits = true;
        plan->fits = JoinSourcePath(plan->file, slot.path) &&
                     BuildInstallerCommandLine(plan->file, slot.arguments, plan->commandLine);
        CopyText(plan->parameters, TEXT_CAPACITY, slot.arguments);
        break;
    case CMD_UNINST:
        plan->waits = true;
        plan->productCodeFromRegistry = true;
        CopyText(plan->file, TEXT_CAPACITY, UNINSTALLER);
        CopyText(plan->parameters, TEXT_CAPACITY, UNINSTALL_OPTION);
        break;
    case CMD_WEB:
        plan->target = TARGET_ADDRESS;
        plan->verb = L"open";
        CopyText(plan->file, TEXT_CAPACITY, slot.path);
        CopyText(plan->parameters, TEXT_CAPACITY, slot.arguments);
        break;
    }
}

int ReadProductCode(wchar_t *code)
{
    return SUCCEEDED(ReadMachineString(PRODUCT_CODE_KEY, PRODUCT_CODE_VALUE, code,
                                       TEXT_CAPACITY * sizeof(wchar_t)));
}

static CommandPerformer performer;

void SetCommandPerformer(CommandPerformer newPerformer)
{
    performer = newPerformer;
}

static void RunInstaller(const CommandPlan &plan)
{
    CopyText(launcher.workerProgram, TEXT_CAPACITY, plan.file);
    CopyText(launcher.workerParameters, TEXT_CAPACITY, plan.parameters);
    CopyText(launcher.workerCommand, TEXT_CAPACITY, plan.commandLine);
    StartWorker(InstallerThread);
}

static void RunUninstaller(const CommandPlan &plan)
{
    wchar_t productCode[TEXT_CAPACITY];
    if (!ReadProductCode(productCode))
        return;
    if (!JoinText(launcher.workerParameters, TEXT_CAPACITY, plan.parameters, productCode))
        return;
    CopyText(launcher.workerCommand, TEXT_CAPACITY, plan.file);
    StartWorker(UninstallerThread);
}

static void Perform(HWND window, const CommandPlan &plan)
{
    switch (plan.kind) {
    case CMD_BROWSE: {
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        os.ShellExecuteW(window, plan.verb, plan.file, nullptr, nullptr, SW_SHOWNORMAL);
        SetCursor(previous);
        break;
    }
    case CMD_EXE:
    case CMD_WEB:
        os.ShellExecuteW(window, plan.verb, plan.file, plan.parameters, L"", SW_SHOWNORMAL);
        break;
    case CMD_EXIT:
        DestroyWindow(window);
        break;
    case CMD_INSTALL:
        RunInstaller(plan);
        break;
    case CMD_UNINST:
        RunUninstaller(plan);
        break;
    }
}

void ExecuteCommand(HWND window, int slotIndex)
{
    if (IsWorkerBusy())
        return;
    if (slotIndex < 0 || slotIndex >= SLOT_COUNT)
        return;
    CommandPlan plan;
    DescribeCommand(slotIndex, &plan);
    if (!plan.fits)
        return;
    // A program on the disc is asked for until it is there; the record names
    // it while the prompt is shown.
    if (plan.target == TARGET_PROGRAM) {
        CopyText(launcher.workerCommand, TEXT_CAPACITY, plan.file);
        if (!WaitForInstallerProgram(window, launcher.workerCommand))
            return;
    }
    if (performer)
        performer(window, slotIndex, plan);
    else
        Perform(window, plan);
}

// Starts `program` with `parameters` through the shell's "runas" verb, which
// shows the consent prompt, and waits for it. E_FAIL when the user declines or
// the shell cannot start it.
static DWORD RunElevatedAndWait(const wchar_t *program, const wchar_t *parameters)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    // The worker thread has no message loop to finish an asynchronous start.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.hwnd = launcher.mainWindow;
    info.lpVerb = L"runas";
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!os.ShellExecuteExW(&info) || !info.hProcess)
        return E_FAIL;
    DWORD result = E_FAIL;
    WaitForSingleObject(info.hProcess, INFINITE);
    GetExitCodeProcess(info.hProcess, &result);
    CloseHandle(info.hProcess);
    return result;
}

DWORD RunProcessAndWait(wchar_t *commandLine, const wchar_t *program, const wchar_t *parameters)
{
    DWORD result = E_FAIL;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!os.CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
        // An installer whose manifest asks for administrator rights cannot be
        // started from a process without them.
        if (GetLastError() == ELEVATION_REQUIRED && program)
            return RunElevatedAndWait(program, parameters);
        return result;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// The window hears of the end first; only then may the next command start.
static void ReportWorkerDone(UINT message)
{
    os.PostMessageW(launcher.mainWindow, message, 0, 0);
    InterlockedExchange(&launcher.workerBusy, 0);
}

DWORD WINAPI InstallerThread(LPVOID)
{
    DWORD result = RunProcessAndWait(launcher.workerCommand, launcher.workerProgram,
                                     launcher.workerParameters);
    ReportWorkerDone(LM_INSTALL_DONE);
    return result;
}

DWORD WINAPI UninstallerThread(LPVOID)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = launcher.mainWindow;
    info.lpVerb = L"open";
    info.lpFile = launcher.workerCommand;
    info.lpParameters = launcher.workerParameters;
    info.nShow = SW_SHOWNORMAL;
    if (os.ShellExecuteExW(&info) && info.hProcess) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    ReportWorkerDone(LM_UNINSTALL_DONE);
    return 0;
}

HRESULT ReadMachineString(const wchar_t *subKey, const wchar_t *valueName, wchar_t *buffer,
                          DWORD bufferBytes)
{
    DWORD capacity = bufferBytes / sizeof(wchar_t);
    if (capacity == 0)
        return E_FAIL;
    buffer[0] = 0;
    HKEY key;
    if (os.RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return E_FAIL;
    // The last character is kept for a terminator, since the data may be of
    // any type and need not end in one.
    DWORD dataBytes = (capacity - 1) * sizeof(wchar_t);
    LONG status = os.RegQueryValueExW(key, valueName, nullptr, nullptr,
                                      reinterpret_cast<BYTE *>(buffer), &dataBytes);
    os.RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        buffer[0] = 0;
        return E_FAIL;
    }
    buffer[dataBytes / sizeof(wchar_t)] = 0;
    return 0;
}

static int IsProductInstalled()
{
    wchar_t scratch[TEXT_CAPACITY] = L"";
    return IsApplicationInstalled(launcher.appRegKeyValue, scratch, TEXT_CAPACITY) == 1;
}

static void SwitchSection(HWND window, const wchar_t *name)
{
    ClearCommandTable();
    CopyText(launcher.activeSection, TEXT_CAPACITY, name);
    CopyText(launcher.sectionPrefix, TEXT_CAPACITY, launcher.activeSection);
    os.PostMessageW(window, LM_RELOAD, 0, 0);
}

void HandleInstallDone(HWND window)
{
    if (IsProductInstalled())
        SwitchSection(window, SECTION_RUN);
}

void HandleUninstallDone(HWND window)
{
    if (!IsProductInstalled())
        SwitchSection(window, SECTION_SETUP);
}
