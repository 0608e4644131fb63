// A stand-in for the programs the launcher starts: it appends its command line
// (UTF-8, one line) to the file named by AUTORUN_RECORD, stays alive while the
// file named by AUTORUN_RECORD_HOLD exists, and exits with the code in
// AUTORUN_RECORD_EXIT (0 when unset).
#include <windows.h>

#include <stdlib.h>

static void AppendLine(const wchar_t *logPath, const wchar_t *text)
{
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char *utf8 = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, bytes + 1));
    if (utf8) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, bytes, nullptr, nullptr);
        utf8[bytes - 1] = '\n';
        DWORD written = 0;
        WriteFile(file, utf8, bytes, &written, nullptr);
        HeapFree(GetProcessHeap(), 0, utf8);
    }
    CloseHandle(file);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"AUTORUN_RECORD", path, MAX_PATH))
        AppendLine(path, GetCommandLineW());
    if (GetEnvironmentVariableW(L"AUTORUN_RECORD_HOLD", path, MAX_PATH)) {
        while (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
            Sleep(50);
    }
    wchar_t code[32];
    if (GetEnvironmentVariableW(L"AUTORUN_RECORD_EXIT", code, 32))
        return static_cast<int>(wcstol(code, nullptr, 10));
    return 0;
}
