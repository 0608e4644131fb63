#include "working_copy.h"

#include "../platform/platform.h"
#include "bounded_text.h"
#include "launcher_state.h"

// The copy this process made, kept apart from `launcher.iniPath`, which may
// name the author's own file (the checker reads it in place).
static wchar_t madeCopy[TEXT_CAPACITY];

void ReadWindowsDirectory(wchar_t *directory)
{
    UINT length = os.GetWindowsDirectoryW(directory, TEXT_CAPACITY);
    if (length == 0 || length >= TEXT_CAPACITY)
        directory[0] = 0;
}

int BuildWorkingCopyName(const wchar_t *label, wchar_t *name)
{
    return JoinText3(name, TEXT_CAPACITY, L"~", label, L".INI");
}

int BuildWorkingCopyPath(const wchar_t *directory, const wchar_t *label, wchar_t *path)
{
    wchar_t folder[TEXT_CAPACITY];
    int length = lstrlenW(directory);
    if (length == 0)
        return 0;
    const wchar_t *separator = directory[length - 1] == L'\\' ? L"" : L"\\";
    if (!JoinText(folder, TEXT_CAPACITY, directory, separator))
        return 0;
    wchar_t name[TEXT_CAPACITY];
    if (!BuildWorkingCopyName(label, name))
        return 0;
    return JoinText(path, TEXT_CAPACITY, folder, name);
}

static void DeleteFileOfAnyAttributes(const wchar_t *path)
{
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
}

// Replaces any stale copy at `copyPath` by a fresh copy of `source`.
static int PlaceCopy(const wchar_t *source, const wchar_t *copyPath)
{
    if (GetFileAttributesW(copyPath) != INVALID_FILE_ATTRIBUTES)
        DeleteFileOfAnyAttributes(copyPath);
    if (!CopyFileW(source, copyPath, FALSE))
        return 0;
    lstrcpyW(madeCopy, copyPath);
    return 1;
}

void MakeWorkingCopy(const wchar_t *windowsDirectory)
{
    madeCopy[0] = 0;
    wchar_t copyPath[TEXT_CAPACITY] = L"";
    if (BuildWorkingCopyPath(windowsDirectory, launcher.volumeLabel, copyPath) &&
        PlaceCopy(launcher.iniPath, copyPath)) {
        lstrcpyW(launcher.iniPath, copyPath);
        return;
    }

    // A standard user may not write to the Windows directory: use the user's
    // temporary directory under the same name.
    wchar_t directory[TEXT_CAPACITY];
    wchar_t tempPath[TEXT_CAPACITY] = L"";
    DWORD tempLength = os.GetTempPathW(TEXT_CAPACITY, directory);
    if (tempLength == 0 || tempLength >= TEXT_CAPACITY)
        directory[0] = 0;
    if (BuildWorkingCopyPath(directory, launcher.volumeLabel, tempPath) &&
        PlaceCopy(launcher.iniPath, tempPath)) {
        lstrcpyW(launcher.iniPath, tempPath);
        return;
    }

    // No copy could be made: every later read finds nothing. The file beside
    // the program is never named here, so it is never read later.
    lstrcpyW(launcher.iniPath, copyPath[0] ? copyPath : tempPath);
}

void DeleteWorkingCopy()
{
    if (madeCopy[0])
        DeleteFileOfAnyAttributes(madeCopy);
    madeCopy[0] = 0;
}
