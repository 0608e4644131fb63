// Start-up of the real AUTORUN.EXE on mapped discs: refusals, the working copy
// on every way out, language, the media-runtime prompt, planted DLLs.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <psapi.h>

#include <algorithm>

namespace {

// A configuration in two languages; `setupLines` and `rest` add to its [Setup]
// section and its end.
std::wstring Configuration(const std::wstring &setupLines = L"", const std::wstring &rest = L"")
{
    return L"[Setup]\r\nDefaultLang=English\r\n" + setupLines +
           L"[Languages]\r\nEnglish=1\r\nGerman=1\r\n"
           L"[SetupStr_English]\r\nTitle=Product Setup\r\n"
           L"[SetupStr_German]\r\nTitle=Produkt-Setup\r\n" +
           rest;
}

const std::vector<std::pair<std::wstring, std::wstring>> ENGLISH = {{L"LANG", L"en_US.UTF-8"},
                                                                    {L"LC_ALL", L"en_US.UTF-8"}};

class Startup : public ::testing::Test {
protected:
    void TearDown() override { EndAllLaunchers(); }

    Disc UseDisc(const std::wstring &label, const std::wstring &ini,
                 const std::wstring &folder = L"")
    {
        Disc disc = PrepareDisc(label, folder);
        exe = disc.root + (folder.empty() ? L"" : folder + L"\\") + L"AUTORUN.EXE";
        if (!ini.empty())
            WriteTextFile(disc.root + (folder.empty() ? L"" : folder + L"\\") + L"AUTORUN.INI",
                          ini);
        return disc;
    }

    // Starts the launcher and waits for its window.
    HWND Open(Process &process,
              const std::vector<std::pair<std::wstring, std::wstring>> &env = ENGLISH)
    {
        process = Launch(exe, env);
        return WaitForWindow(L"KT.SetupLauncher", process.Id());
    }

    std::wstring exe;
};

TEST_F(Startup, RunsFromASubfolderWithItsWorkingCopyAndEndsCleanlyOnClose)
{
    Disc disc = UseDisc(L"KTDISC", Configuration(), L"SETUP");
    Process process;
    HWND window = Open(process);
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Product Setup", WindowText(window));
    EXPECT_TRUE(FileExists(WorkingCopyPath(L"KTDISC")));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, process.WaitExit());
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"KTDISC")));
    EXPECT_TRUE(FileExists(disc.Path(L"SETUP\\AUTORUN.INI")));
}

// The full path of the module `name` (lower case) loaded in `process`; empty when none is.
std::wstring LoadedModulePath(HANDLE process, const std::wstring &name)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes))
        return L"";
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; i++) {
        wchar_t path[MAX_PATH] = L"";
        GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
        CharLowerW(path);
        const wchar_t *file = wcsrchr(path, L'\\');
        if (file && name == file + 1)
            return path;
    }
    return L"";
}

TEST_F(Startup, CommonControlsAreTheVersionTheManifestAsksFor)
{
    UseDisc(L"KTDISC", Configuration());
    Process process;
    ASSERT_TRUE(Open(process));
    std::wstring controls = LoadedModulePath(process.Handle(), L"comctl32.dll");
    // Windows keeps version 6 among its side-by-side assemblies, never in the
    // system directory, which holds version 5.
    EXPECT_NE(std::wstring::npos,
              controls.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."))
        << Utf8(controls);
}

TEST_F(Startup, SecondLauncherEndsAtOnceAndLeavesTheFirstOnesCopyAlone)
{
    UseDisc(L"KTDISC", Configuration());
    Process first;
    HWND window = Open(first);
    ASSERT_TRUE(window);

    Process second = Launch(exe, ENGLISH);
    EXPECT_EQ(1u, second.WaitExit());
    EXPECT_TRUE(FileExists(WorkingCopyPath(L"KTDISC")));
    EXPECT_TRUE(first.Running());

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, first.WaitExit());
}

TEST_F(Startup, MissingConfigurationShowsTheErrorBoxAndEndsWithOne)
{
    UseDisc(L"KTDISC", L"");
    Process process = Launch(exe, ENGLISH);
    MessageBoxView box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box.window);
    EXPECT_EQ(L"NO AUTORUN.INI", box.text);
    EXPECT_EQ(L"ERROR", box.caption);
    EXPECT_TRUE(box.HasButton(IDOK));
    EXPECT_FALSE(box.HasButton(IDCANCEL));
    box.Press(IDOK);
    EXPECT_EQ(1u, process.WaitExit());
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"KTDISC")));
}

TEST_F(Startup, ALauncherWithoutAWindowIsEndedBeforeItsDiscIsPreparedAgain)
{
    UseDisc(L"KTDISC", L"");
    Process process = Launch(exe, ENGLISH);
    ASSERT_TRUE(WaitForMessageBox(process.Id()).window);
    // Its program file is in use until it has ended: deleting or copying over it fails.
    UseDisc(L"KTDISC", Configuration());
    EXPECT_EQ(98u, process.WaitExit(0));
}

TEST_F(Startup, WindowOfTheNoRunClassRefusesSilently)
{
    UseDisc(L"KTDISC", Configuration(L"NoRunAppClass=KT.Test.Busy\r\n"));
    WNDCLASSW busyClass = {};
    busyClass.lpfnWndProc = DefWindowProcW;
    busyClass.hInstance = GetModuleHandleW(nullptr);
    busyClass.lpszClassName = L"KT.Test.Busy";
    RegisterClassW(&busyClass);
    HWND busy = CreateWindowExW(0, L"KT.Test.Busy", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                busyClass.hInstance, nullptr);
    ASSERT_TRUE(busy);

    Process process = Launch(exe, ENGLISH);
    EXPECT_EQ(1u, process.WaitExit());
    EXPECT_FALSE(WaitForWindow(L"#32770", process.Id(), 100));
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"KTDISC")));
    DestroyWindow(busy);

    // Without that window the same disc starts.
    Process again;
    EXPECT_TRUE(Open(again));
}

TEST_F(Startup, StaleReadOnlyWorkingCopyIsReplaced)
{
    UseDisc(L"KTDISC", Configuration());
    std::wstring stale = WorkingCopyPath(L"KTDISC");
    WriteTextFile(stale, L"[SetupStr_English]\r\nTitle=Stale\r\n");
    SetFileAttributesW(stale.c_str(), FILE_ATTRIBUTE_READONLY);

    Process process;
    HWND window = Open(process);
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Product Setup", WindowText(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, process.WaitExit());
    EXPECT_FALSE(FileExists(stale));
}

// Wine takes the user's language from the environment it was started in, so
// this runs as a test of its own under a German locale (see tests/CMakeLists.txt).
TEST_F(Startup, GermanUserGetsTheGermanSections)
{
    if (UserLanguageName() != L"German")
        GTEST_SKIP() << "needs a German user locale";
    UseDisc(L"LANGDISC", Configuration());
    Process process;
    HWND window = Open(process, {});
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Produkt-Setup", WindowText(window));
    EXPECT_TRUE(FileExists(WorkingCopyPath(L"LANGDISC")));
}

// Places the test's quartz.dll (product version 6.10.0.0, file version 7.0.0.0)
// in the system directory of 32-bit programs for the life of the object.
class PlacedQuartz {
public:
    PlacedQuartz()
    {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        target = std::wstring(system) + L"\\quartz.dll";
        backup = target + L".kt-backup";
        MoveFileExW(target.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
        CopyBuildFile(L"fixtures\\quartz\\quartz.dll", target);
    }
    ~PlacedQuartz()
    {
        DeleteFileW(target.c_str());
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::wstring target, backup;
};

class MediaRuntimePrompt : public Startup {
protected:
    void SetUp() override
    {
        disc = UseDisc(
            L"RUNTIMEDISC",
            Configuration(
                L"DirectXMedia=6.9.0.0\r\n",
                L"[English]\r\nNodxmedia=A newer media runtime is needed. Install it now?\r\n"
                L"Dxmedia=DXMEDIA\\%s\\SETUP.EXE /q\r\n"));
        CreateDirectoryW(disc.Path(L"DXMEDIA").c_str(), nullptr);
        CreateDirectoryW(disc.Path(L"DXMEDIA\\X86").c_str(), nullptr);
        CopyBuildFile(L"tools\\recorder.exe", disc.Path(L"DXMEDIA\\X86\\SETUP.EXE"));
        record = log.File(L"record.txt");
    }

    std::vector<std::pair<std::wstring, std::wstring>> Environment()
    {
        return {{L"LANG", L"en_US.UTF-8"},
                {L"LC_ALL", L"en_US.UTF-8"},
                {L"PROCESSOR_ARCHITECTURE", L"x86"},
                {L"AUTORUN_RECORD", record}};
    }

    PlacedQuartz quartz;
    PreferNativeDll nativeQuartz{L"AUTORUN.EXE", L"quartz"};
    TempDir log;
    Disc disc;
    std::wstring record;
};

TEST_F(MediaRuntimePrompt, YesStartsTheRuntimeInstallerAndEndsWithTwo)
{
    Process process = Launch(exe, Environment());
    MessageBoxView box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box.window) << "6.10.0.0 sorts before 6.9.0.0 as text, so the prompt shows";
    EXPECT_EQ(L"A newer media runtime is needed. Install it now?", box.text);
    EXPECT_EQ(L"Product Setup", box.caption);
    EXPECT_TRUE(box.HasButton(IDYES));
    EXPECT_TRUE(box.HasButton(IDNO));
    EXPECT_TRUE(FileExists(WorkingCopyPath(L"RUNTIMEDISC")));
    box.Press(IDYES);

    EXPECT_EQ(2u, process.WaitExit());
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"RUNTIMEDISC")));
    ASSERT_TRUE(WaitFor([&] { return !ReadRecord(record).empty(); }));
    std::vector<std::string> started = ReadRecord(record);
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(Utf8(disc.root) + "DXMEDIA\\X86\\SETUP.EXE /q", started[0]);
    EXPECT_FALSE(WaitForWindow(L"KT.SetupLauncher", process.Id(), 100));
}

TEST_F(MediaRuntimePrompt, NoStartsNothingAndEndsWithTwo)
{
    Process process = Launch(exe, Environment());
    MessageBoxView box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box.window);
    box.Press(IDNO);
    EXPECT_EQ(2u, process.WaitExit());
    Sleep(300);
    EXPECT_TRUE(ReadRecord(record).empty());
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"RUNTIMEDISC")));
}

TEST_F(MediaRuntimePrompt, LowerRequirementOpensTheWindow)
{
    WriteTextFile(disc.Path(L"AUTORUN.INI"), Configuration(L"DirectXMedia=6.1\r\n"));
    Process process = Launch(exe, Environment());
    HWND window = WaitForWindow(L"KT.SetupLauncher", process.Id());
    ASSERT_TRUE(window);
    EXPECT_FALSE(WaitForWindow(L"#32770", process.Id(), 100));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, process.WaitExit());
}

TEST_F(Startup, DllsPlantedBesideTheProgramAreNeverLoaded)
{
    Disc disc = UseDisc(L"PLANTDISC", Configuration());
    const wchar_t *planted[] = {L"winmm.dll", L"msimg32.dll", L"comctl32.dll", L"oleacc.dll"};
    for (const wchar_t *dll : planted)
        CopyBuildFile(std::wstring(L"fixtures\\planted\\") + dll, disc.Path(dll));
    CopyBuildFile(L"fixtures\\naive_loader.exe", disc.Path(L"naive_loader.exe"));
    TempDir markers;
    auto environment = ENGLISH;
    environment.push_back({L"PLANT_MARKER_DIR", markers.Path()});
    PreferNativeDll overrides[] = {{L"AUTORUN.EXE", L"winmm"},
                                   {L"AUTORUN.EXE", L"msimg32"},
                                   {L"AUTORUN.EXE", L"comctl32"},
                                   {L"AUTORUN.EXE", L"oleacc"},
                                   {L"naive_loader.exe", L"winmm"}};

    // The control: a program that loads by bare name does pick up the planted DLL.
    Process naive = Launch(disc.Path(L"naive_loader.exe"), environment, L"winmm.dll");
    naive.WaitExit();
    ASSERT_TRUE(FileExists(markers.File(L"loaded-winmm.dll")))
        << "planting is not effective here, so the test below could not fail";
    DeleteFileW(markers.File(L"loaded-winmm.dll").c_str());

    Process process = Launch(exe, environment);
    HWND window = WaitForWindow(L"KT.SetupLauncher", process.Id());
    ASSERT_TRUE(window);
    // Give the intro sound and the first paint time to load what they load.
    Sleep(1500);
    EXPECT_EQ(L"", LoadedModulePath(process.Handle(), L"oleacc.dll"))
        << "accessibility waits for a screen reader";
    // A screen reader's first question makes the launcher load oleacc.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT),
                        SMTO_ABORTIFHUNG, 5000, &answer);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    CharLowerW(system);
    EXPECT_EQ(std::wstring(system) + L"\\oleacc.dll",
              LoadedModulePath(process.Handle(), L"oleacc.dll"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, process.WaitExit());
    for (const wchar_t *dll : planted)
        EXPECT_FALSE(FileExists(markers.File(std::wstring(L"loaded-") + dll))) << Utf8(dll);
}

} // namespace

namespace {

// The names of the DLLs that a PE32 or PE32+ file imports statically; the two
// differ only in the optional header that holds the data directories.
std::vector<std::string> ImportedDlls(const std::string &image)
{
    std::vector<std::string> names;
    const BYTE *data = reinterpret_cast<const BYTE *>(image.data());
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(data);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(data + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory =
        nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_NT_HEADERS64 *>(nt)
                  ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
            : nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const IMAGE_SECTION_HEADER *sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> DWORD {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++) {
            const IMAGE_SECTION_HEADER &s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    const auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(
        data + offsetOf(directory.VirtualAddress));
    for (; entry->Name; entry++) {
        std::string name = reinterpret_cast<const char *>(data + offsetOf(entry->Name));
        for (char &c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

WORD MachineOf(const std::string &image)
{
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    return reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image.data() + dos->e_lfanew)
        ->FileHeader.Machine;
}

TEST(Imports, OnlyDllsThatWindowsProtectsAreImported)
{
    std::string image = ReadBytes(BuildDir() + L"\\AUTORUN.EXE");
    ASSERT_GT(image.size(), 1024u);
    // The tests are built by the same compiler as the program: PE32 beside PE32.
    EXPECT_EQ(sizeof(void *) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64,
              MachineOf(image));
    std::vector<std::string> imported = ImportedDlls(image);
    EXPECT_FALSE(imported.empty());
    // Known DLLs: Windows loads them from the system directory whatever lies beside the program.
    const std::vector<std::string> known = {"kernel32.dll", "user32.dll",  "gdi32.dll",
                                            "advapi32.dll", "shell32.dll", "msvcrt.dll"};
    for (const std::string &name : imported)
        EXPECT_NE(known.end(), std::find(known.begin(), known.end(), name)) << name;
}

TEST_F(Startup, SignedCopyStartsClosesAndEndsWithZero)
{
    const char *signedCopy = getenv("AUTORUN_SIGNED_COPY");
    if (!signedCopy)
        GTEST_SKIP() << "run by the signing test, which names the copy it signed";
    Disc disc = UseDisc(L"KTDISC", Configuration());
    ASSERT_TRUE(CopyFileW(NativePath(signedCopy).c_str(), exe.c_str(), FALSE))
        << "error " << GetLastError();
    Process process;
    HWND window = Open(process);
    ASSERT_TRUE(window) << "no window: the signed copy "
                        << (process.Running() ? std::string("runs without one")
                                              : "ended with " + std::to_string(process.WaitExit(0)));
    EXPECT_EQ(L"Product Setup", WindowText(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, process.WaitExit());
}

// What Windows reads from the program file before it runs it.
std::wstring VersionText(const std::vector<BYTE> &info, const wchar_t *name)
{
    void *value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value)
        return L"(none)";
    return static_cast<const wchar_t *>(value);
}

std::wstring GuidText(const GUID &id)
{
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// A setting of the activation context, as the system reads it from the manifest.
std::wstring ContextSetting(HANDLE context, const wchar_t *space, const wchar_t *name)
{
    wchar_t value[32] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, space, name, value, 32, &written))
        return L"(none)";
    return value;
}

TEST(Resources, ManifestAndVersionInformationOfTheProgram)
{
    std::wstring program = BuildDir() + L"\\AUTORUN.EXE";
    // The activation context that Windows makes from the program's manifest.
    ACTCTXW source = {};
    source.cbSize = sizeof source;
    source.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    source.lpSource = program.c_str();
    source.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&source);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level,
                             sizeof level, nullptr));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, level.RunLevel);
    EXPECT_EQ(0u, level.UiAccess);

    SIZE_T bytes = 0;
    QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, nullptr, 0,
                 &bytes);
    std::vector<BYTE> compatibility(bytes + sizeof(DWORD));
    ASSERT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                             compatibility.data(), compatibility.size(), &bytes));
    // Newer systems give each element a tested version after its type, which
    // makes it 32 bytes and aligns the first at 8; older ones use 20 bytes.
    const DWORD count = *reinterpret_cast<const DWORD *>(compatibility.data());
    const SIZE_T first = bytes == 4 + 20 * count ? 4 : 8;
    const SIZE_T stride = bytes == 4 + 20 * count ? 20 : 32;
    std::vector<std::wstring> systems;
    for (DWORD i = 0; i < count; i++) {
        const auto *element = reinterpret_cast<const COMPATIBILITY_CONTEXT_ELEMENT *>(
            compatibility.data() + first + i * stride);
        if (element->Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
            systems.push_back(GuidText(element->Id));
    }
    std::sort(systems.begin(), systems.end());
    const std::vector<std::wstring> windows7To11 = {
        L"{1F676C76-80E1-4239-95BB-83D0F6D0DA78}", // 8.1
        L"{35138B9A-5D96-4FBD-8E2D-A2440225F93A}", // 7
        L"{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}", // 8
        L"{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}", // 10 and 11
    };
    EXPECT_EQ(windows7To11, systems);

    // The common controls resolve to the side-by-side assembly of version 6.
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    ACTCTX_SECTION_KEYED_DATA found = {};
    found.cbSize = sizeof found;
    BOOL redirected = FindActCtxSectionStringW(
        0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &found);
    DeactivateActCtx(0, cookie);
    ASSERT_TRUE(redirected);
    QueryActCtxW(0, context, &found.ulAssemblyRosterIndex,
                 AssemblyDetailedInformationInActivationContext, nullptr, 0, &bytes);
    std::vector<BYTE> assembly(bytes);
    ASSERT_TRUE(QueryActCtxW(0, context, &found.ulAssemblyRosterIndex,
                             AssemblyDetailedInformationInActivationContext, assembly.data(),
                             assembly.size(), &bytes));
    std::wstring identity =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION *>(assembly.data())
            ->lpAssemblyEncodedAssemblyIdentity;
    EXPECT_NE(std::wstring::npos, identity.find(L"Microsoft.Windows.Common-Controls")) << identity;
    EXPECT_NE(std::wstring::npos, identity.find(L"version=\"6.")) << identity;

    // Per-monitor aware (v1 where v2 is unknown), and no scaling by the system.
    EXPECT_EQ(L"true/pm",
              ContextSetting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                             L"dpiAware"));
    EXPECT_EQ(L"PerMonitorV2, PerMonitor",
              ContextSetting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                             L"dpiAwareness"));
    EXPECT_EQ(L"(none)",
              ContextSetting(context, L"http://schemas.microsoft.com/SMI/2017/WindowsSettings",
                             L"gdiScaling"));
    ReleaseActCtx(context);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT fixedBytes = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &fixedBytes));
    const DWORD high = MAKELONG(AUTORUN_VERSION_MINOR, AUTORUN_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, AUTORUN_VERSION_PATCH);
    EXPECT_EQ(high, fixed->dwFileVersionMS);
    EXPECT_EQ(low, fixed->dwFileVersionLS);
    EXPECT_EQ(high, fixed->dwProductVersionMS);
    EXPECT_EQ(low, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(L"AUTORUN.EXE", VersionText(info, L"OriginalFilename"));
    EXPECT_EQ(AUTORUN_VERSION, VersionText(info, L"FileVersion"));
    EXPECT_EQ(AUTORUN_VERSION, VersionText(info, L"ProductVersion"));
    EXPECT_EQ(L"Installation disc launcher", VersionText(info, L"FileDescription"));
    EXPECT_EQ(L"Disc Launcher", VersionText(info, L"ProductName"));
}

} // namespace
