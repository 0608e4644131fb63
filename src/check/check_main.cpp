// AUTORUN-CHECK [options] [DISC-FOLDER | AUTORUN.INI]
#include "button_table.h"
#include "checker.h"
#include "entries.h"
#include "file_checks.h"
#include "first_paint.h"
#include "language_checks.h"
#include "load.h"
#include "preview.h"
#include "try_mode.h"

#include "config/command_table.h"
#include "config/config_names.h"
#include "config/config_values.h"
#include "config/image_scale.h"
#include "config/language.h"
#include "platform/platform.h"
#include "startup/startup.h"
#include "state/bounded_text.h"
#include "state/launcher_state.h"

#include <objbase.h>

#include <algorithm>
#include <climits>

// The display scales a preview may be painted at, in percent: 100 % and each
// variant's.
static std::vector<int> PreviewScales()
{
    std::vector<int> percents = {PercentOfDpi(BASE_DPI)};
    for (const ScaleVariant &variant : SCALE_VARIANTS)
        percents.push_back(PercentOfDpi(variant.dpi));
    return percents;
}

// The preview scales from `least` to `most` percent as "a, b, c"; `last` joins
// the last two.
static std::wstring ListScales(int least, int most, const wchar_t *last)
{
    std::vector<int> percents;
    for (int percent : PreviewScales()) {
        if (percent >= least && percent <= most)
            percents.push_back(percent);
    }
    std::wstring text;
    for (size_t i = 0; i < percents.size(); i++)
        text += (i == 0 ? L"" : i + 1 == percents.size() ? last : L", ") + Number(percents[i]);
    return text;
}

static std::wstring Usage()
{
    const int twice = PercentOfDpi(DPI_200);
    return std::wstring(
               L"Usage: AUTORUN-CHECK [options] [DISC-FOLDER | AUTORUN.INI]\n"
               L"Reads a disc's AUTORUN.INI as the launcher does and says what the launcher will "
               L"do.\n"
               L"The folder is the disc's root (default: the current folder); its AUTORUN.INI is\n"
               L"read beside AUTORUN.EXE, at the root or in the one sub-folder that holds both.\n"
               L"An AUTORUN.INI given directly makes its folder the root.\n"
               L"\n"
               L"  --lang NAME       check as a user whose language Windows names NAME in English\n"
               L"                    (for example German); default: every language in [Languages]\n"
               L"                    and a user of a language it does not list (DefaultLang)\n"
               L"  --section NAME    Setup (default) or Run\n"
               L"  --label LABEL     the disc's volume label (default: the label of the root's "
               L"drive)\n"
               L"  --preview FOLDER  write FOLDER\\LANGUAGE.png, the window as the launcher paints "
               L"it\n"
               L"  --hot N           with --preview, also FOLDER\\LANGUAGE-cmdNN.png with button N "
               L"lit;\n"
               L"                    N is the key's number, 1 for cmd01 to 30 for cmd30\n"
               L"  --high-contrast   with --preview, paint as under a high-contrast theme in this\n"
               L"                    machine's system colours, as LANGUAGE-contrast.png (and\n"
               L"                    LANGUAGE-cmdNN-contrast.png with --hot)\n") +
           L"  --scale PERCENT   with --preview, paint at a display scale of " +
           ListScales(0, twice - 1, L", ") + L",\n                    " +
           ListScales(twice, INT_MAX, L" or ") +
           L" %, as LANGUAGE@PERCENT.png (LANGUAGE-cmdNN@PERCENT.png,\n"
           L"                    LANGUAGE-contrast@PERCENT.png); may be given more than once. "
           L"With\n"
           L"                    --try, show the window at that scale\n"
           L"  --reading-order FILE  write FILE: the files that the launcher reads up to its "
           L"first\n"
           L"                    paint for DefaultLang, in the order it reads them, one a line\n"
           L"                    from the disc root (UTF-8); make-disc.sh lays them out so\n"
           L"  --autorun-inf FILE  write FILE: the autorun.inf that starts the launcher, with\n"
           L"                    the Icon, --label and DefaultLang's Title (ASCII, or UTF-16)\n"
           L"  --try             show the launcher's own window on the disc: its buttons light up\n"
           L"                    and sound, and what a click would run is printed, not run; the\n"
           L"                    disc is checked and shown again whenever a file below it\n"
           L"                    changes. Ends with 0 when the window is closed\n"
           L"  --help            this text\n"
           L"\n"
           L"Exit code: 0 nothing found, 1 warnings only, 2 errors, 3 bad arguments, a file that\n"
           L"cannot be read or a preview that cannot be written.\n";
}

// What is wrong with the arguments; empty when they are good.
static std::wstring ParseArguments(int argc, wchar_t **argv, CheckOptions *options)
{
    bool targetSeen = false;
    for (int i = 1; i < argc; i++) {
        std::wstring argument = argv[i];
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            options->help = true;
            return std::wstring();
        }
        bool takesValue = argument == L"--lang" || argument == L"--section" ||
                          argument == L"--label" || argument == L"--preview" ||
                          argument == L"--hot" || argument == L"--scale" ||
                          argument == L"--reading-order" || argument == L"--autorun-inf";
        if (takesValue && i + 1 >= argc)
            return argument + L" needs a value";
        std::wstring value = takesValue ? argv[++i] : L"";
        int key = ReadNumber(value.c_str());
        if (argument == L"--lang") {
            options->language = value;
        } else if (argument == L"--section") {
            if (!SameName(value, SECTION_SETUP) && !SameName(value, SECTION_RUN))
                return Fill(L"--section takes %1 or %2, not %3",
                            {SECTION_SETUP, SECTION_RUN, Quote(value)});
            options->section = SameName(value, SECTION_RUN) ? SECTION_RUN : SECTION_SETUP;
        } else if (argument == L"--label") {
            options->label = value;
            options->labelGiven = true;
        } else if (argument == L"--preview") {
            options->previewFolder = value;
        } else if (argument == L"--high-contrast") {
            options->highContrast = true;
        } else if (argument == L"--hot") {
            if (value.find_first_not_of(L"0123456789") != std::wstring::npos || key < 1 ||
                key > SLOT_COUNT)
                return Fill(
                    L"--hot takes a key number from 1 (%1) to %2 (%3), not %4",
                    {SlotKey(0), Number(SLOT_COUNT), SlotKey(SLOT_COUNT - 1), Quote(value)});
            options->hotKey = key;
        } else if (argument == L"--scale") {
            std::vector<int> scales = PreviewScales();
            if (value != Number(key) ||
                std::find(scales.begin(), scales.end(), key) == scales.end())
                return L"--scale takes " + ListScales(0, INT_MAX, L" or ") + L", not " +
                       Quote(value);
            options->scales.push_back(key);
        } else if (argument == L"--reading-order") {
            options->readingOrder = value;
        } else if (argument == L"--autorun-inf") {
            options->autorunInf = value;
        } else if (argument == L"--try") {
            options->tryDisc = true;
        } else if (argument.size() > 1 && argument[0] == L'-') {
            return L"unknown option " + Quote(argument);
        } else if (targetSeen) {
            return L"only one disc folder or AUTORUN.INI, not also " + Quote(argument);
        } else {
            options->target = argument;
            targetSeen = true;
        }
    }
    if (options->highContrast && options->previewFolder.empty())
        return L"--high-contrast needs --preview";
    if (options->tryDisc && !options->previewFolder.empty())
        return L"--try shows the window itself; it takes no --preview";
    if (!options->scales.empty() && options->previewFolder.empty() && !options->tryDisc)
        return L"--scale needs --preview or --try";
    return options->hotKey && options->previewFolder.empty() ? L"--hot needs --preview" : L"";
}

// Where on the disc the launcher and its AUTORUN.INI lie, relative to the
// root: the root itself or one sub-folder (such as SETUP\), as the launcher
// reads the file beside itself. A folder holding both comes first, the root
// before a sub-folder; then one holding AUTORUN.INI alone. The root when it is
// none of these or not clear.
static std::wstring LauncherFolder(const std::wstring &root)
{
    bool rootFile = DescribeFile(root + L"AUTORUN.INI").IsFile();
    if (rootFile && DescribeFile(root + LAUNCHER_NAME).IsFile())
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
        if (!DescribeFile(root + name + L"\\AUTORUN.INI").IsFile())
            continue;
        withFile.push_back(name + L"\\");
        if (DescribeFile(root + name + L"\\" + LAUNCHER_NAME).IsFile())
            withBoth.push_back(name + L"\\");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (withBoth.size() == 1)
        return withBoth[0];
    return !rootFile && withFile.size() == 1 ? withFile[0] : std::wstring();
}

// Finds the file and the disc root it stands for. 0 when there is no such file
// or its paths do not fit the launcher's fields.
static int LocateFile(Checker *checker)
{
    wchar_t full[TEXT_CAPACITY], *name = nullptr;
    std::wstring target = checker->options.target.empty() ? L"." : checker->options.target;
    DWORD length = GetFullPathNameW(target.c_str(), TEXT_CAPACITY, full, &name);
    if (length == 0 || length >= TEXT_CAPACITY)
        return 0;
    DWORD attributes = GetFileAttributesW(full);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        const wchar_t *separator = full[lstrlenW(full) - 1] == L'\\' ? L"" : L"\\";
        if (!JoinText(launcher.sourceRoot, TEXT_CAPACITY, full, separator))
            return 0;
        std::wstring folder = LauncherFolder(launcher.sourceRoot);
        return JoinText3(launcher.iniPath, TEXT_CAPACITY, launcher.sourceRoot, folder.c_str(),
                         L"AUTORUN.INI");
    }
    CopyText(launcher.iniPath, TEXT_CAPACITY, full);
    if (!name)
        return 0;
    CopyText(launcher.sourceRoot, static_cast<int>(name - full) + 1, full);
    return 1;
}

// The label the launcher reads: that of the volume holding the root.
static void ReadVolumeLabel(Checker *checker)
{
    if (checker->options.labelGiven) {
        CopyText(launcher.volumeLabel, TEXT_CAPACITY, checker->options.label.c_str());
        return;
    }
    wchar_t drive[TEXT_CAPACITY];
    GetSourceRoot(launcher.sourceRoot, drive, TEXT_CAPACITY);
    if (!os.GetVolumeInformationW(drive, launcher.volumeLabel, TEXT_CAPACITY, nullptr, nullptr,
                                  nullptr, nullptr, 0))
        launcher.volumeLabel[0] = 0;
}

static int Run(Checker *checker)
{
    int located = LocateFile(checker);
    checker->file = launcher.iniPath;
    if (!located || !ScanIniFile(checker->file.c_str(), &checker->scan)) {
        // Nothing of it is read by the window either.
        launcher.iniPath[0] = 0;
        std::wstring named = Quote(checker->file.empty() ? checker->options.target : checker->file);
        if (checker->scan.size > INI_SIZE_LIMIT)
            WriteError(Fill(L"AUTORUN-CHECK: %1 is %2 bytes long; an AUTORUN.INI of more than %3 "
                            L"bytes (1 MiB) is not read\n",
                            {named, Number(checker->scan.size), Number(INI_SIZE_LIMIT)}));
        else
            WriteError(L"AUTORUN-CHECK: cannot read " + named + L"\n");
        return EXIT_TROUBLE;
    }
    PlaceSnapshot(checker->scan.bytes);
    const wchar_t *name = wcsrchr(checker->file.c_str(), L'\\');
    checker->report.fileName = name ? name + 1 : checker->file;
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

    int written = PlanDisc(checker);
    std::vector<std::wstring> users = UserLanguagesToCheck(*checker);
    for (size_t i = 0; i < users.size(); i++) {
        std::wstring language = LoadAsUser(checker, users[i]);
        if (i == 0)
            CheckFile(checker);
        // Without --lang, a user whom no language fits was reported with DefaultLang.
        if ((language.empty() && checker->options.language.empty()) ||
            !checker->done.insert(FoldName(language)).second)
            continue;
        if (!language.empty())
            CheckLoadedLanguage(checker);
        NoteHeavyFirstPaint(checker);
        AppendButtonTable(checker);
        if (previews)
            written &= WritePreviews(checker);
    }
    ReleaseLoad();
    DestroyWindow(checker->window);

    std::wstring output = L"AUTORUN-CHECK: " + Quote(checker->file) + L" on the disc root " +
                          Quote(launcher.sourceRoot) + L"\n\n" + checker->tables;
    int exitCode = Summarize(checker->report, &output);
    // A report that does not reach its reader must not pass for a clean one.
    if (!WriteOut(output))
        return EXIT_TROUBLE;
    return written ? exitCode : EXIT_TROUBLE;
}

int wmain(int argc, wchar_t **argv)
{
    static Checker checker;
    std::wstring problem = ParseArguments(argc, argv, &checker.options);
    if (!problem.empty()) {
        WriteError(L"AUTORUN-CHECK: " + problem + L"\n\n" + Usage());
        return EXIT_TROUBLE;
    }
    if (checker.options.help) {
        WriteOut(Usage());
        return EXIT_CLEAN;
    }
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    launcher.instance = GetModuleHandleW(nullptr);
    int exitCode = checker.options.tryDisc ? TryDisc(&checker, Run) : Run(&checker);
    DeleteSnapshot();
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
