// AUTORUN-CHECK [options] [DISC-FOLDER | AUTORUN.INI]
#include "checker.h"

#include "config/config_values.h"
#include "platform/platform.h"
#include "startup/startup.h"

#include <objbase.h>

enum {
    EXIT_CLEAN = 0,
    EXIT_TROUBLE = 3, // bad arguments, an unreadable file, a preview not written
};

static const wchar_t USAGE[] =
    L"Usage: AUTORUN-CHECK [options] [DISC-FOLDER | AUTORUN.INI]\n"
    L"Reads a disc's AUTORUN.INI as the launcher does and says what the launcher will do.\n"
    L"The folder is the disc's root (default: the current folder); its AUTORUN.INI is\n"
    L"read from the root or from the one sub-folder that holds it. An AUTORUN.INI given\n"
    L"directly makes its folder the root.\n"
    L"\n"
    L"  --lang NAME       check as a user whose language Windows names NAME in English\n"
    L"                    (for example German); default: every language in [Languages]\n"
    L"                    and a user of a language it does not list (DefaultLang)\n"
    L"  --section NAME    Setup (default) or Run\n"
    L"  --label LABEL     the disc's volume label (default: the label of the root's drive)\n"
    L"  --preview FOLDER  write FOLDER\\LANGUAGE.png, the window as the launcher paints it\n"
    L"  --hot N           with --preview, also FOLDER\\LANGUAGE-cmdNN.png with button N lit;\n"
    L"                    N is the key's number, 1 for cmd01 to 30 for cmd30\n"
    L"  --help            this text\n"
    L"\n"
    L"Exit code: 0 nothing found, 1 warnings only, 2 errors, 3 bad arguments, a file that\n"
    L"cannot be read or a preview that cannot be written.\n";

static int Usage(const std::wstring &problem)
{
    WriteError(L"AUTORUN-CHECK: " + problem + L"\n\n" + USAGE);
    return EXIT_TROUBLE;
}

// 1 when the arguments are good; otherwise the usage text was written and the
// exit code is in *exitCode.
static int ParseArguments(int argc, wchar_t **argv, CheckOptions *options, int *exitCode)
{
    bool targetSeen = false;
    for (int i = 1; i < argc; i++) {
        std::wstring argument = argv[i];
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            WriteOut(USAGE);
            *exitCode = EXIT_CLEAN;
            return 0;
        }
        bool takesValue = argument == L"--lang" || argument == L"--section" ||
                          argument == L"--label" || argument == L"--preview" ||
                          argument == L"--hot";
        if (takesValue && i + 1 >= argc) {
            *exitCode = Usage(argument + L" needs a value");
            return 0;
        }
        if (argument == L"--lang") {
            options->language = argv[++i];
        } else if (argument == L"--section") {
            std::wstring section = argv[++i];
            if (SameName(section, L"Setup"))
                options->section = L"Setup";
            else if (SameName(section, L"Run"))
                options->section = L"Run";
            else {
                *exitCode = Usage(L"--section takes Setup or Run, not " + Quote(section));
                return 0;
            }
        } else if (argument == L"--label") {
            options->label = argv[++i];
            options->labelGiven = true;
        } else if (argument == L"--preview") {
            options->previewFolder = argv[++i];
        } else if (argument == L"--hot") {
            std::wstring number = argv[++i];
            int key = ReadNumber(number.c_str());
            if (number.find_first_not_of(L"0123456789") != std::wstring::npos || key < 1 ||
                key > 30) {
                *exitCode = Usage(L"--hot takes a key number from 1 (cmd01) to 30 (cmd30), not " +
                                  Quote(number));
                return 0;
            }
            options->hotKey = key;
        } else if (argument.size() > 1 && argument[0] == L'-') {
            *exitCode = Usage(L"unknown option " + Quote(argument));
            return 0;
        } else if (targetSeen) {
            *exitCode = Usage(L"only one disc folder or AUTORUN.INI, not also " + Quote(argument));
            return 0;
        } else {
            options->target = argument;
            targetSeen = true;
        }
    }
    if (options->hotKey && options->previewFolder.empty()) {
        *exitCode = Usage(L"--hot needs --preview");
        return 0;
    }
    return 1;
}

// Where on the disc the launcher and its AUTORUN.INI lie, relative to the
// root: the root itself or one sub-folder (such as SETUP\), as the launcher
// reads the file beside itself. The root when it is neither or not clear.
static std::wstring LauncherFolder(const std::wstring &root)
{
    if (IsFileAt(root + L"AUTORUN.INI"))
        return std::wstring();
    std::vector<std::wstring> withFile, withBoth;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::wstring();
    do {
        std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
            continue;
        if (!IsFileAt(root + name + L"\\AUTORUN.INI"))
            continue;
        withFile.push_back(name + L"\\");
        if (IsFileAt(root + name + L"\\AUTORUN.EXE"))
            withBoth.push_back(name + L"\\");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (withFile.size() == 1)
        return withFile[0];
    return withBoth.size() == 1 ? withBoth[0] : std::wstring();
}

// Finds the file and the disc root it stands for. 0 when there is no such file
// or its paths do not fit the launcher's 259 characters.
static int LocateFile(Checker *checker)
{
    wchar_t full[TEXT_CAPACITY];
    std::wstring target = checker->options.target.empty() ? L"." : checker->options.target;
    DWORD length = GetFullPathNameW(target.c_str(), TEXT_CAPACITY, full, nullptr);
    if (length == 0 || length >= TEXT_CAPACITY)
        return 0;
    DWORD attributes = GetFileAttributesW(full);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        const wchar_t *separator = full[lstrlenW(full) - 1] == L'\\' ? L"" : L"\\";
        if (!JoinText(checker->sourceRoot, TEXT_CAPACITY, full, separator))
            return 0;
        std::wstring folder = LauncherFolder(checker->sourceRoot);
        return JoinText3(checker->iniPath, TEXT_CAPACITY, checker->sourceRoot, folder.c_str(),
                         L"AUTORUN.INI");
    }
    CopyText(checker->iniPath, TEXT_CAPACITY, full);
    CopyText(checker->sourceRoot, TEXT_CAPACITY, full);
    wchar_t *name = wcsrchr(checker->sourceRoot, L'\\');
    if (!name)
        return 0;
    name[1] = 0;
    return 1;
}

// The label the launcher reads: that of the volume holding the root.
static void ReadVolumeLabel(Checker *checker)
{
    if (checker->options.labelGiven) {
        CopyText(checker->volumeLabel, TEXT_CAPACITY, checker->options.label.c_str());
        return;
    }
    wchar_t drive[TEXT_CAPACITY];
    GetSourceRoot(checker->sourceRoot, drive, TEXT_CAPACITY);
    if (!os.GetVolumeInformationW(drive, checker->volumeLabel, TEXT_CAPACITY, nullptr, nullptr,
                                  nullptr, nullptr, 0))
        checker->volumeLabel[0] = 0;
}

static bool AlreadyChecked(const Checker &checker, const std::wstring &language)
{
    for (const std::wstring &done : checker.done) {
        if (SameName(done, language.c_str()))
            return true;
    }
    return false;
}

static std::wstring Summary(const Report &report)
{
    int errors = 0, warnings = 0, notes = 0;
    for (const Diagnostic &d : report.diagnostics) {
        errors += d.severity == LEVEL_ERROR;
        warnings += d.severity == LEVEL_WARNING;
        notes += d.severity == LEVEL_NOTE;
    }
    if (!errors && !warnings && !notes)
        return L"AUTORUN-CHECK: nothing found\n";
    return L"AUTORUN-CHECK: " + Number(errors) + L" error(s), " + Number(warnings) +
           L" warning(s), " + Number(notes) + L" note(s)\n";
}

static int Run(Checker *checker)
{
    if (!LocateFile(checker) || !ScanIniFile(checker->iniPath, &checker->scan)) {
        WriteError(
            L"AUTORUN-CHECK: cannot read " +
            (checker->iniPath[0] ? Quote(checker->iniPath) : Quote(checker->options.target)) +
            L"\n");
        return EXIT_TROUBLE;
    }
    const wchar_t *name = wcsrchr(checker->iniPath, L'\\');
    checker->report.fileName = name ? name + 1 : checker->iniPath;
    ReadVolumeLabel(checker);
    checker->window = CreateCheckWindow();
    if (!checker->window) {
        WriteError(L"AUTORUN-CHECK: cannot create a window to measure with\n");
        return EXIT_TROUBLE;
    }
    bool previews = !checker->options.previewFolder.empty();
    if (previews) {
        wchar_t folder[MAX_PATH];
        DWORD length =
            GetFullPathNameW(checker->options.previewFolder.c_str(), MAX_PATH, folder, nullptr);
        if (length && length < MAX_PATH)
            checker->options.previewFolder = folder;
        CreateDirectoryW(checker->options.previewFolder.c_str(), nullptr);
    }

    int written = 1;
    bool fileChecked = false;
    for (const std::wstring &user : UserLanguagesToCheck(*checker)) {
        std::wstring language = LoadAsUser(checker, user);
        if (!fileChecked)
            CheckFile(checker);
        fileChecked = true;
        // Without --lang, a user whom no language fits was reported with DefaultLang.
        if ((language.empty() && checker->options.language.empty()) ||
            AlreadyChecked(*checker, language))
            continue;
        checker->done.push_back(language);
        if (!language.empty())
            CheckLoadedLanguage(checker);
        AppendButtonTable(checker);
        if (previews)
            written &= WritePreviews(checker);
    }
    ReleaseLoad();
    DestroyWindow(checker->window);

    WriteOut(L"AUTORUN-CHECK: " + Quote(checker->iniPath) + L" on the disc root " +
             Quote(checker->sourceRoot) + L"\n\n" + checker->tables);
    WriteOut(FormatDiagnostics(checker->report));
    WriteOut(Summary(checker->report));
    return written ? ExitCodeOf(checker->report) : EXIT_TROUBLE;
}

int wmain(int argc, wchar_t **argv)
{
    static Checker checker;
    int exitCode = EXIT_CLEAN;
    if (!ParseArguments(argc, argv, &checker.options, &exitCode))
        return exitCode;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    exitCode = Run(&checker);
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
