// Start-up rules: source root, processor token, language, working copy, and the
// media-runtime prerequisite, with the environment faked at the platform seam.
#include "config/config_values.h"
#include "config/language.h"
#include "startup/prerequisite.h"
#include "startup/startup.h"
#include "state/bounded_text.h"
#include "state/working_copy.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SourceRootCase {
    const wchar_t *path;
    const wchar_t *root;
};

TEST(GetSourceRoot, DrivesSharesAndOddPaths)
{
    const SourceRootCase cases[] = {
        {L"D:\\SETUP\\AUTORUN.EXE", L"D:\\"},
        {L"D:\\AUTORUN.EXE", L"D:\\"},
        {L"\\\\srv\\dist\\cd1\\run.exe", L"\\\\srv\\dist\\"},
        {L"\\\\srv\\dist", L"\\\\srv\\dist\\"},
        {L"AUTORUN.EXE", L"AUTORUN.EXE\\"},
        {L"", L"\\"},
    };
    for (const SourceRootCase &c : cases) {
        wchar_t root[TEXT_CAPACITY] = L"untouched";
        int length = GetSourceRoot(c.path, root, TEXT_CAPACITY);
        EXPECT_STREQ(c.root, root) << c.path;
        EXPECT_EQ(lstrlenW(c.root), length) << c.path;
    }
}

TEST(GetSourceRoot, CapacityEdgeStoresEmptyTextButReportsLength)
{
    wchar_t root[8] = L"xxxxxxx";
    EXPECT_EQ(3, GetSourceRoot(L"D:\\a\\b.exe", root, 3));
    EXPECT_STREQ(L"", root);
    EXPECT_EQ(3, GetSourceRoot(L"D:\\a\\b.exe", root, 4));
    EXPECT_STREQ(L"D:\\", root);

    wcscpy(root, L"keep");
    EXPECT_EQ(0, GetSourceRoot(L"D:\\a.exe", root, 0));
    EXPECT_STREQ(L"keep", root);
    EXPECT_EQ(0, GetSourceRoot(nullptr, root, 8));
    EXPECT_EQ(0, GetSourceRoot(L"D:\\a.exe", nullptr, 8));
}

TEST(GetSourceRoot, RootBeyondTheWorkAreaIsNeverStoredCut)
{
    auto share = [](int serverLength) {
        return L"\\\\" + std::wstring(serverLength, L's') + L"\\share\\";
    };
    const struct {
        std::wstring path;
        int capacity;
        std::wstring root;
        int length;
    } cases[] = {
        {share(400) + L"run.exe", TEXT_CAPACITY, L"", 409},
        {share(400) + L"run.exe", 1000, L"", 409},
        {share(250) + L"cd1\\run.exe", TEXT_CAPACITY, share(250), 259},
        {share(251) + L"cd1\\run.exe", TEXT_CAPACITY, L"", 260},
    };
    for (const auto &c : cases) {
        wchar_t root[1000];
        wcscpy(root, L"untouched");
        EXPECT_EQ(c.length, GetSourceRoot(c.path.c_str(), root, c.capacity));
        EXPECT_EQ(c.root, root);
    }
}

const wchar_t *fakeEnvironmentValue;

DWORD WINAPI FakeGetEnvironment(LPCWSTR, LPWSTR buffer, DWORD capacity)
{
    if (!fakeEnvironmentValue)
        return 0;
    lstrcpynW(buffer, fakeEnvironmentValue, capacity);
    return lstrlenW(fakeEnvironmentValue);
}

TEST(DetectProcessorToken, KnownValuesInAnyCaseElseX86)
{
    CleanLauncher clean;
    os.GetEnvironmentVariableW = FakeGetEnvironment;
    const struct {
        const wchar_t *value;
        const wchar_t *token;
    } cases[] = {{L"x86", L"X86"},   {L"X86", L"X86"}, {L"Alpha", L"ALPHA"}, {L"ALPHA", L"ALPHA"},
                 {L"AMD64", L"X86"}, {L"", L"X86"},    {nullptr, L"X86"},    {L"x86 ", L"X86"}};
    for (const auto &c : cases) {
        fakeEnvironmentValue = c.value;
        lstrcpyW(launcher.archToken, L"?");
        DetectProcessorToken();
        EXPECT_STREQ(c.token, launcher.archToken) << (c.value ? c.value : L"(none)");
    }
}

const wchar_t *fakeLanguageName;

int WINAPI FakeGetLocaleInfo(LCID locale, LCTYPE type, LPWSTR data, int capacity)
{
    EXPECT_EQ(static_cast<LCID>(LOCALE_USER_DEFAULT), locale);
    EXPECT_EQ(static_cast<LCTYPE>(LOCALE_SENGLANGUAGE), type);
    lstrcpynW(data, fakeLanguageName, capacity);
    return lstrlenW(fakeLanguageName) + 1;
}

class LanguageChoice : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir dir;

    void Choose(const wchar_t *userLanguage, const std::wstring &ini)
    {
        WriteTextFile(dir.File(L"a.ini"), ini);
        SetText(launcher.iniPath, dir.File(L"a.ini"));
        lstrcpyW(launcher.activeSection, L"Setup");
        os.GetLocaleInfoW = FakeGetLocaleInfo;
        fakeLanguageName = userLanguage;
        wchar_t name[TEXT_CAPACITY];
        ReadUserLanguage(name);
        ChooseLanguage(name);
    }
};

TEST_F(LanguageChoice, ListedNameIsTakenAsItStands)
{
    Choose(L"Norwegian Bokm\u00e5l", L"[Languages]\r\nNorwegian Bokm\u00e5l=1\r\nNorwegian=1\r\n"
                                     L"[Setup]\r\nDefaultLang=English\r\n");
    EXPECT_STREQ(L"Norwegian Bokm\u00e5l", launcher.language);
}

TEST_F(LanguageChoice, UnlistedNameIsCutAtItsFirstNonLetter)
{
    Choose(L"Chinese (Simplified)",
           L"[Languages]\r\nChinese=1\r\n[Setup]\r\nDefaultLang=English\r\n");
    EXPECT_STREQ(L"Chinese", launcher.language);
}

TEST_F(LanguageChoice, EmptyValueCountsAsUnlistedAndDefaultLangIsUsedUnchecked)
{
    Choose(L"German", L"[Languages]\r\nGerman=\r\nEnglish=1\r\n[Setup]\r\nDefaultLang=Klingon\r\n");
    EXPECT_STREQ(L"Klingon", launcher.language);
}

TEST_F(LanguageChoice, NoListingAndNoDefaultGivesEmptyLanguage)
{
    Choose(L"English", L"[Setup]\r\nTitle=x\r\n");
    EXPECT_STREQ(L"", launcher.language);
}

TEST_F(LanguageChoice, NameStartingWithANonLetterBecomesEmptyBeforeDefault)
{
    // An empty key must not be looked up: it would match nothing useful.
    Choose(L"(none)", L"[Languages]\r\n=1\r\n[Setup]\r\nDefaultLang=English\r\n");
    EXPECT_STREQ(L"English", launcher.language);
}

TEST(FormatWithText, ReplacesFirstMarkerAndCopiesEverythingElseLiterally)
{
    const struct {
        const wchar_t *format;
        const wchar_t *result;
    } cases[] = {
        {L"DXMEDIA\\%s\\SETUP.EXE", L"DXMEDIA\\X86\\SETUP.EXE"},
        {L"setup.exe /q", L"setup.exe /q"},
        {L"%s%s%n", L"X86%s%n"},
        {L"100%% %d %s", L"100%% %d X86"},
        {L"%", L"%"},
        {L"", L""},
    };
    for (const auto &c : cases) {
        wchar_t out[TEXT_CAPACITY];
        EXPECT_EQ(1, FormatWithText(out, TEXT_CAPACITY, c.format, L"X86")) << c.format;
        EXPECT_STREQ(c.result, out) << c.format;
    }
}

TEST(FormatWithText, ResultThatDoesNotFitIsRefusedNotCut)
{
    wchar_t out[8] = L"guard";
    EXPECT_EQ(0, FormatWithText(out, 8, L"ab%scd", L"1234"));
    EXPECT_STREQ(L"", out);
    EXPECT_EQ(1, FormatWithText(out, 8, L"ab%scd", L"123"));
    EXPECT_STREQ(L"ab123cd", out);
}

const wchar_t *fakeWindowsDirectory;
const wchar_t *fakeTempDirectory;

UINT WINAPI FakeGetWindowsDirectory(LPWSTR buffer, UINT capacity)
{
    lstrcpynW(buffer, fakeWindowsDirectory, capacity);
    return lstrlenW(fakeWindowsDirectory);
}

DWORD WINAPI FakeGetTempPath(DWORD capacity, LPWSTR buffer)
{
    lstrcpynW(buffer, fakeTempDirectory, capacity);
    return lstrlenW(fakeTempDirectory);
}

class WorkingCopy : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir disc, windows, temp;

    void SetUp() override
    {
        WriteTextFile(disc.File(L"AUTORUN.INI"), L"[Setup]\r\nTitle=fresh\r\n");
        SetText(launcher.iniPath, disc.File(L"AUTORUN.INI"));
        SetText(launcher.volumeLabel, L"MYDISC");
        os.GetWindowsDirectoryW = FakeGetWindowsDirectory;
        os.GetTempPathW = FakeGetTempPath;
        fakeWindowsDirectory = windows.Path().c_str();
        tempWithSlash = temp.Path() + L"\\";
        fakeTempDirectory = tempWithSlash.c_str();
    }

    std::wstring tempWithSlash;

    void MakeWorkingCopy()
    {
        wchar_t directory[TEXT_CAPACITY];
        ReadWindowsDirectory(directory);
        ::MakeWorkingCopy(directory);
    }
};

TEST_F(WorkingCopy, IsNamedAfterTheLabelInTheWindowsDirectory)
{
    MakeWorkingCopy();
    EXPECT_EQ(windows.File(L"~MYDISC.INI"), launcher.iniPath);
    EXPECT_TRUE(FileExists(launcher.iniPath));
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI"))) << "the disc's file is never moved";

    DeleteWorkingCopy();
    EXPECT_FALSE(FileExists(windows.File(L"~MYDISC.INI")));
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
}

TEST_F(WorkingCopy, OnlyTheCopyMadeIsEverDeleted)
{
    // The checker's window reads the author's own file in place.
    DeleteWorkingCopy();
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
    MakeWorkingCopy();
    std::wstring copy = launcher.iniPath;
    SetText(launcher.iniPath, disc.File(L"AUTORUN.INI"));
    DeleteWorkingCopy();
    EXPECT_FALSE(FileExists(copy));
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
}

TEST_F(WorkingCopy, DirectoryWithTrailingBackslashGetsNoSecondOneAndEmptyLabelGivesTildeIni)
{
    std::wstring withSlash = windows.Path() + L"\\";
    fakeWindowsDirectory = withSlash.c_str();
    launcher.volumeLabel[0] = 0;
    MakeWorkingCopy();
    EXPECT_EQ(windows.Path() + L"\\~.INI", launcher.iniPath);
}

TEST_F(WorkingCopy, CopyOfAReadOnlyDiscFileIsReadOnlyYetDeleted)
{
    // Every file on a pressed disc is read-only, and the copy keeps the flag.
    std::wstring source = disc.File(L"AUTORUN.INI");
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    MakeWorkingCopy();
    std::wstring copy = launcher.iniPath;
    EXPECT_TRUE(GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
    DeleteWorkingCopy();
    EXPECT_FALSE(FileExists(copy));
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WorkingCopy, UnwritableWindowsDirectoryFallsBackToTheTemporaryDirectory)
{
    std::wstring missing = windows.Path() + L"\\no such folder";
    fakeWindowsDirectory = missing.c_str();
    MakeWorkingCopy();
    EXPECT_EQ(temp.File(L"~MYDISC.INI"), launcher.iniPath);
    wchar_t title[TEXT_CAPACITY];
    EXPECT_NE(0u, ReadConfigString(L"Setup", L"Title", title, TEXT_CAPACITY));
    DeleteWorkingCopy();
    EXPECT_FALSE(FileExists(temp.File(L"~MYDISC.INI")));
}

TEST_F(WorkingCopy, NoWritableDirectoryLeavesNothingToReadAndNeverNamesTheDisc)
{
    std::wstring missing = windows.Path() + L"\\none";
    std::wstring missingTemp = temp.Path() + L"\\none\\";
    fakeWindowsDirectory = missing.c_str();
    fakeTempDirectory = missingTemp.c_str();
    MakeWorkingCopy();
    EXPECT_NE(disc.File(L"AUTORUN.INI"), launcher.iniPath);
    wchar_t title[TEXT_CAPACITY];
    EXPECT_EQ(0u, ReadConfigString(L"Setup", L"Title", title, TEXT_CAPACITY));
    DeleteWorkingCopy();
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
}

TEST_F(WorkingCopy, OverlongLabelIsRefusedWithoutOverflow)
{
    std::wstring label(259, L'L');
    SetText(launcher.volumeLabel, label);
    MakeWorkingCopy();
    EXPECT_LT(lstrlenW(launcher.iniPath), TEXT_CAPACITY);
    EXPECT_NE(disc.File(L"AUTORUN.INI"), launcher.iniPath);
}

struct FakeVersion {
    WORD product[4];
    WORD file[4];
    bool present;
} fakeQuartz;

std::wstring askedVersionPath;

DWORD WINAPI FakeVersionSize(LPCWSTR path, LPDWORD handle)
{
    askedVersionPath = path;
    *handle = 0;
    return fakeQuartz.present ? sizeof(VS_FIXEDFILEINFO) : 0;
}

BOOL WINAPI FakeVersionInfo(LPCWSTR, DWORD, DWORD bytes, LPVOID data)
{
    if (bytes < sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    VS_FIXEDFILEINFO info = {};
    info.dwSignature = 0xFEEF04BD;
    info.dwProductVersionMS = MAKELONG(fakeQuartz.product[1], fakeQuartz.product[0]);
    info.dwProductVersionLS = MAKELONG(fakeQuartz.product[3], fakeQuartz.product[2]);
    info.dwFileVersionMS = MAKELONG(fakeQuartz.file[1], fakeQuartz.file[0]);
    info.dwFileVersionLS = MAKELONG(fakeQuartz.file[3], fakeQuartz.file[2]);
    memcpy(data, &info, sizeof info);
    return TRUE;
}

BOOL WINAPI FakeVerQuery(LPCVOID block, LPCWSTR subBlock, LPVOID *value, PUINT bytes)
{
    if (lstrcmpW(subBlock, L"\\") != 0)
        return FALSE;
    *value = const_cast<void *>(block);
    *bytes = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

UINT WINAPI FakeSystemDirectory(LPWSTR buffer, UINT capacity)
{
    lstrcpynW(buffer, L"C:\\SYS", capacity);
    return 6;
}

struct PromptRecord {
    std::wstring text, caption;
    UINT style;
    int answer;
    int shown;
    std::vector<std::string> started;
} prompt;

int WINAPI FakeMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT style)
{
    prompt.text = text;
    prompt.caption = caption;
    prompt.style = style;
    prompt.shown++;
    return prompt.answer;
}

UINT WINAPI FakeWinExec(LPCSTR commandLine, UINT show)
{
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), show);
    prompt.started.push_back(commandLine);
    return 33;
}

class MediaRuntime : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir dir;

    void SetUp() override
    {
        os.GetFileVersionInfoSizeW = FakeVersionSize;
        os.GetFileVersionInfoW = FakeVersionInfo;
        os.VerQueryValueW = FakeVerQuery;
        os.GetSystemDirectoryW = FakeSystemDirectory;
        os.MessageBoxW = FakeMessageBox;
        os.WinExec = FakeWinExec;
        prompt = PromptRecord();
        fakeQuartz = {{6, 5, 1, 900}, {6, 5, 1, 900}, true};
        lstrcpyW(launcher.activeSection, L"Setup");
        lstrcpyW(launcher.language, L"English");
        lstrcpyW(launcher.sourceRoot, L"D:\\");
        lstrcpyW(launcher.archToken, L"X86");
        lstrcpyW(launcher.caption, L"Product Setup");
    }

    void Configure(const std::wstring &ini)
    {
        WriteTextFile(dir.File(L"c.ini"), ini);
        SetText(launcher.iniPath, dir.File(L"c.ini"));
    }

    void Require(const std::wstring &version)
    {
        Configure(L"[Setup]\r\nDirectXMedia=" + version + L"\r\n");
    }
};

TEST_F(MediaRuntime, VersionsAreComparedAsTextNotAsNumbers)
{
    const struct {
        WORD installed[4];
        const wchar_t *required;
        int met;
    } cases[] = {
        {{6, 5, 1, 900}, L"6.4.0.0", 1},   {{6, 4, 0, 0}, L"6.4.0.0", 1},
        {{6, 4, 0, 0}, L"6.4", 1},         {{6, 10, 0, 0}, L"6.9.0.0", 0},
        {{6, 5, 1, 900}, L"6.5.1.901", 0}, {{65535, 0, 0, 1}, L"7", 0},
    };
    for (const auto &c : cases) {
        memcpy(fakeQuartz.product, c.installed, sizeof c.installed);
        Require(c.required);
        EXPECT_EQ(c.met, CheckMediaRuntime()) << c.required;
    }
    EXPECT_EQ(L"C:\\SYS\\QUARTZ.DLL", askedVersionPath);
}

TEST_F(MediaRuntime, OnlyTheProductVersionCounts)
{
    fakeQuartz = {{6, 4, 0, 0}, {9, 9, 9, 9}, true};
    Require(L"6.5");
    EXPECT_EQ(0, CheckMediaRuntime());
    fakeQuartz = {{6, 6, 0, 0}, {1, 0, 0, 0}, true};
    EXPECT_EQ(1, CheckMediaRuntime());
}

TEST_F(MediaRuntime, NoRequirementSkipsTheFileAndMissingFileFailsIt)
{
    askedVersionPath.clear();
    Configure(L"[Setup]\r\nDirectXMedia=\r\n");
    EXPECT_EQ(1, CheckMediaRuntime());
    EXPECT_TRUE(askedVersionPath.empty());

    fakeQuartz.present = false;
    Require(L"1.0");
    EXPECT_EQ(0, CheckMediaRuntime());
}

TEST(GetFileVersionString, FormatsTheFourProductWordsInDecimal)
{
    CleanLauncher clean;
    os.GetFileVersionInfoSizeW = FakeVersionSize;
    os.GetFileVersionInfoW = FakeVersionInfo;
    os.VerQueryValueW = FakeVerQuery;
    fakeQuartz = {{65535, 0, 10, 900}, {1, 2, 3, 4}, true};
    wchar_t version[VERSION_CAPACITY] = L"untouched";
    EXPECT_EQ(1, GetFileVersionString(L"x", version));
    EXPECT_STREQ(L"65535.0.10.900", version);
    fakeQuartz.present = false;
    lstrcpyW(version, L"untouched");
    EXPECT_EQ(0, GetFileVersionString(L"x", version));
    EXPECT_STREQ(L"untouched", version);
}

TEST_F(MediaRuntime, YesStartsTheInstallerWithTheTokenBehindTheSourceRoot)
{
    Configure(L"[English]\r\nNodxmedia=Install the runtime?\r\n"
              L"Dxmedia=DXMEDIA\\%s\\SETUP.EXE\r\n");
    prompt.answer = IDYES;
    EXPECT_EQ(2, RunMediaRuntimePrompt());
    EXPECT_EQ(L"Install the runtime?", prompt.text);
    EXPECT_EQ(L"Product Setup", prompt.caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), prompt.style);
    ASSERT_EQ(1u, prompt.started.size());
    EXPECT_EQ("D:\\DXMEDIA\\X86\\SETUP.EXE", prompt.started[0]);
}

TEST_F(MediaRuntime, CommandWithoutMarkerOrEmptyIsAppendedUnchanged)
{
    prompt.answer = IDYES;
    Configure(L"[English]\r\nDxmedia=runtime\\setup.exe /q\r\n");
    RunMediaRuntimePrompt();
    Configure(L"[English]\r\n");
    RunMediaRuntimePrompt();
    Configure(L"[English]\r\nDxmedia=%s%s%n%x\r\n");
    RunMediaRuntimePrompt();
    ASSERT_EQ(3u, prompt.started.size());
    EXPECT_EQ("D:\\runtime\\setup.exe /q", prompt.started[0]);
    EXPECT_EQ("D:\\", prompt.started[1]);
    EXPECT_EQ("D:\\X86%s%n%x", prompt.started[2]);
}

TEST_F(MediaRuntime, CommandLinesBeyondTheBuffersAreNotStarted)
{
    prompt.answer = IDYES;
    // 140 characters fit the wide buffer but not the 130 bytes handed to the system.
    Configure(L"[English]\r\nDxmedia=" + std::wstring(140, L'a') + L"\r\n");
    EXPECT_EQ(2, RunMediaRuntimePrompt());
    // 258 characters plus an expanded token do not fit 260 with the source root.
    Configure(L"[English]\r\nDxmedia=%s" + std::wstring(256, L'a') + L"\r\n");
    EXPECT_EQ(2, RunMediaRuntimePrompt());
    EXPECT_TRUE(prompt.started.empty());

    Configure(L"[English]\r\nDxmedia=" + std::wstring(125, L'a') + L"\r\n");
    RunMediaRuntimePrompt();
    ASSERT_EQ(1u, prompt.started.size());
    EXPECT_EQ(128u, prompt.started[0].size());
}

} // namespace

namespace {

std::wstring fakeProgramPath;

DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR buffer, DWORD capacity)
{
    lstrcpynW(buffer, fakeProgramPath.c_str(), capacity);
    return static_cast<DWORD>(fakeProgramPath.size());
}

BOOL WINAPI FakeVolume(LPCWSTR, LPWSTR label, DWORD capacity, LPDWORD, LPDWORD, LPDWORD, LPWSTR,
                       DWORD)
{
    lstrcpynW(label, L"MYDISC", capacity);
    return TRUE;
}

class LauncherRun : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir disc, windows;

    void SetUp() override
    {
        fakeProgramPath = disc.File(L"AUTORUN.EXE");
        os.GetModuleFileNameW = FakeModuleFileName;
        os.GetVolumeInformationW = FakeVolume;
        os.GetWindowsDirectoryW = FakeGetWindowsDirectory;
        fakeWindowsDirectory = windows.Path().c_str();
        os.MessageBoxW = FakeMessageBox;
        os.WinExec = FakeWinExec;
        prompt = PromptRecord();
    }

    std::wstring WorkingCopy() const { return windows.File(L"~MYDISC.INI"); }
};

TEST_F(LauncherRun, RuntimePromptEndsWithTwoAndDeletesTheWorkingCopy)
{
    WriteTextFile(disc.File(L"AUTORUN.INI"), L"[Setup]\r\nDirectXMedia=99\r\n");
    os.GetFileVersionInfoSizeW = FakeVersionSize;
    fakeQuartz.present = false;
    prompt.answer = IDNO;
    EXPECT_EQ(2, LauncherMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    EXPECT_EQ(1, prompt.shown);
    EXPECT_FALSE(FileExists(WorkingCopy()));
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
}

TEST_F(LauncherRun, WindowThatCannotBeMadeEndsWithMinusOneAndDeletesTheWorkingCopy)
{
    WriteTextFile(disc.File(L"AUTORUN.INI"), L"[Setup]\r\nTitle=x\r\n");
    // The class already exists in this module, so registering it fails.
    WNDCLASSW taken = {};
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = GetModuleHandleW(nullptr);
    taken.lpszClassName = LAUNCHER_CLASS;
    ASSERT_TRUE(RegisterClassW(&taken));
    EXPECT_EQ(-1, LauncherMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    UnregisterClassW(LAUNCHER_CLASS, GetModuleHandleW(nullptr));
    EXPECT_FALSE(FileExists(WorkingCopy()));
}

// The runtime prompt ends the run early, so a test that reaches it needs no window.
void RequireAMissingRuntime(const std::wstring &iniPath)
{
    WriteTextFile(iniPath, L"[Setup]\r\nDirectXMedia=99\r\n");
    os.GetFileVersionInfoSizeW = FakeVersionSize;
    fakeQuartz.present = false;
    prompt.answer = IDNO;
}

TEST_F(LauncherRun, ProgramPathTooLongForItsBufferIsRefusedWithoutLookingElsewhere)
{
    // Another disc's file in the current directory must not be taken instead.
    TempDir elsewhere;
    RequireAMissingRuntime(elsewhere.File(L"AUTORUN.INI"));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(elsewhere.Path().c_str());
    fakeProgramPath = disc.Path() + L"\\" + std::wstring(300, L'p') + L"\\AUTORUN.EXE";
    int result = LauncherMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(1, result);
    EXPECT_EQ(L"NO AUTORUN.INI", prompt.text);
    EXPECT_FALSE(FileExists(WorkingCopy()));
}

std::vector<std::string> environmentReads;

UINT WINAPI RecordWindowsDirectory(LPWSTR buffer, UINT capacity)
{
    environmentReads.push_back("Windows directory");
    return FakeGetWindowsDirectory(buffer, capacity);
}

BOOL WINAPI RecordVolume(LPCWSTR root, LPWSTR label, DWORD capacity, LPDWORD serial,
                         LPDWORD maxComponent, LPDWORD flags, LPWSTR fileSystem, DWORD fsCapacity)
{
    environmentReads.push_back("volume label");
    return FakeVolume(root, label, capacity, serial, maxComponent, flags, fileSystem, fsCapacity);
}

TEST_F(LauncherRun, WindowsDirectoryIsReadBeforeTheVolumeLabel)
{
    RequireAMissingRuntime(disc.File(L"AUTORUN.INI"));
    os.GetWindowsDirectoryW = RecordWindowsDirectory;
    os.GetVolumeInformationW = RecordVolume;
    environmentReads.clear();
    EXPECT_EQ(2, LauncherMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    EXPECT_EQ((std::vector<std::string>{"Windows directory", "volume label"}), environmentReads);
}

BOOL WINAPI FailingGetMessage(LPMSG message, HWND, UINT, UINT)
{
    message->wParam = 0x7777; // what a stale record could hold
    return -1;
}

BOOL WINAPI Silence(LPCWSTR, UINT)
{
    return TRUE;
}

TEST_F(LauncherRun, MessageLoopThatFailsAtOnceEndsWithMinusOne)
{
    WriteTextFile(disc.File(L"AUTORUN.INI"), L"[Setup]\r\nTitle=x\r\n");
    os.GetMessageW = FailingGetMessage;
    os.sndPlaySoundW = Silence;
    EXPECT_EQ(-1, LauncherMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    EXPECT_FALSE(FileExists(WorkingCopy()));
    DestroyWindow(launcher.mainWindow);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassW(LAUNCHER_CLASS, GetModuleHandleW(nullptr));
}

} // namespace
