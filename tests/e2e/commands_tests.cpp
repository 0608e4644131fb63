// Commands of the real AUTORUN.EXE, driven as the user drives them: a click on
// a button, or Enter on the highlighted one. The programs it starts are the
// recording program, which writes its command line to a file and stays alive
// while the test holds it.
#include "e2e_support.h"

#include <gtest/gtest.h>

namespace {

// Button rectangles in client pixels, as the configuration below places them.
const RECT INSTALL_BUTTON = {300, 40, 400, 80};
const RECT EXIT_BUTTON = {300, 120, 400, 160};
const RECT REMOVE_BUTTON = {300, 200, 400, 240};
const COLORREF NORMAL = RGB(0, 160, 0);
const COLORREF LIT = RGB(0, 0, 230);

const wchar_t PRODUCT_KEY[] = L"Software\\Velmora\\Shared Information\\AutoStart";
const wchar_t PRODUCT_CODE[] = L"{6A1F0C2E-93B4-4D57-8E21-0B9C7D3F5A64}";

std::wstring Configuration(const std::wstring &installEntry)
{
    return L"[Setup]\r\nDefaultLang=English\r\n[Languages]\r\nEnglish=1\r\n"
           L"[Setup_CommandDefines]\r\ncmd01=" +
           installEntry +
           L"\r\ncmd02=CMD_EXIT\r\ncmd03=CMD_UNINST\r\n"
           L"[SetupStr_English]\r\nTitle=Product Setup\r\nInsert=Please insert the disc %s.\r\n"
           L"cmd01=Install,120,50\r\ncmd02=Exit,120,130\r\ncmd03=Remove,120,210\r\n"
           L"[SetupBtn_English]\r\ncmd01=b.bmp,bh.bmp,300,40,100,40\r\n"
           L"cmd02=b.bmp,bh.bmp,300,120,100,40\r\ncmd03=b.bmp,bh.bmp,300,200,100,40\r\n";
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        record = log.File(L"record.txt");
        hold = log.File(L"hold");
        // Away from where the window opens, so hover does not pick a slot.
        SetCursorPos(0, 0);
    }

    void TearDown() override
    {
        DeleteFileW(hold.c_str());
        EndAllLaunchers();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Velmora");
    }

    // A disc with this install entry and, unless `installer` is empty, the
    // recording program at that path; then the launcher and its window.
    HWND Start(const std::wstring &installEntry, const std::wstring &installer)
    {
        disc = PrepareDisc(L"INSTALLDISC");
        WriteTextFile(disc.Path(L"AUTORUN.INI"), Configuration(installEntry));
        WriteBitmapFile(disc.Path(L"b.bmp"), 100, 40, [](int, int) { return NORMAL; });
        WriteBitmapFile(disc.Path(L"bh.bmp"), 100, 40, [](int, int) { return LIT; });
        if (!installer.empty())
            PlaceRecorder(installer);
        DeleteFileW(record.c_str());
        process = Launch(disc.Path(L"AUTORUN.EXE"),
                         {{L"AUTORUN_RECORD", record}, {L"AUTORUN_RECORD_HOLD", hold}});
        window = WaitForWindow(L"KT.SetupLauncher", process.Id());
        // Input reaches the window once it is shown; its buttons are loaded by then.
        if (window && !WaitFor([&] { return IsWindowVisible(window) != FALSE; }))
            window = nullptr;
        return window;
    }

    void PlaceRecorder(const std::wstring &relative)
    {
        size_t slash = relative.find_last_of(L'\\');
        if (slash != std::wstring::npos)
            CreateDirectoryW(disc.Path(relative.substr(0, slash)).c_str(), nullptr);
        CopyBuildFile(L"tools\\recorder.exe", disc.Path(relative));
    }

    // Started programs stay alive until Release.
    void Hold() { WriteTextFile(hold, L""); }
    void Release() { DeleteFileW(hold.c_str()); }

    // `line` with "<root>" replaced by the disc's root.
    std::string OnDisc(std::string line)
    {
        size_t marker = line.find("<root>");
        return marker == std::string::npos ? line : line.replace(marker, 6, Utf8(disc.root));
    }

    std::vector<std::string> Started() { return ReadRecord(record); }
    // Fails saying why nothing started, as far as the test can see.
    ::testing::AssertionResult WaitStarted(size_t count)
    {
        if (WaitFor([&] { return Started().size() >= count; }))
            return ::testing::AssertionSuccess();
        DWORD code = process.WaitExit(0);
        return ::testing::AssertionFailure()
               << Started().size() << " of " << count << " started; "
               << (code == STILL_ACTIVE ? "the launcher still runs"
                                        : "the launcher ended with " + std::to_string(code));
    }

    // Clicks Exit until the launcher ends with 0: it takes commands again.
    bool ExitsOnClick(DWORD timeoutMs = 10000)
    {
        return WaitFor(
            [&] {
                Click(window, EXIT_BUTTON);
                return process.WaitExit(300) == 0;
            },
            timeoutMs);
    }

    void StoreProductCode()
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExW(key, L"ProductCodeGUID", 0, REG_SZ,
                       reinterpret_cast<const BYTE *>(PRODUCT_CODE), sizeof PRODUCT_CODE);
        RegCloseKey(key);
    }

    TempDir log;
    std::wstring record, hold;
    Disc disc;
    Process process;
    HWND window = nullptr;
};

TEST_F(Commands, InstallerCommandLineIsProgramBlankArguments)
{
    const struct {
        const wchar_t *entry, *installer;
        std::string commandLine;
        bool byKeyboard;
    } cases[] = {
        {L"CMD_INSTALL,setup.exe", L"setup.exe", "<root>setup.exe ", true},
        {L"CMD_INSTALL,setup\\setup.exe,/s", L"setup\\setup.exe", "<root>setup\\setup.exe /s",
         false},
        {L"CMD_INSTALL,My Setup\\setup.exe,/s", L"My Setup\\setup.exe",
         "\"<root>My Setup\\setup.exe\" /s", false},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(Start(c.entry, c.installer));
        if (c.byKeyboard) {
            SendKeys(window, {VK_TAB});
            ASSERT_TRUE(WaitForPixel(window, 350, 60, LIT)) << "Tab lit no button";
            SendKeys(window, {VK_RETURN});
        } else {
            Click(window, INSTALL_BUTTON);
        }
        ASSERT_TRUE(WaitStarted(1)) << Utf8(c.entry);
        EXPECT_EQ(std::vector<std::string>{OnDisc(c.commandLine)}, Started());
        EXPECT_TRUE(ExitsOnClick());
    }
}

TEST_F(Commands, ExitIsIgnoredWhileTheInstallerRunsAndWorksOnceItEnds)
{
    Hold();
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup.exe", L"setup.exe"));
    Click(window, INSTALL_BUTTON);
    ASSERT_TRUE(WaitStarted(1));

    Click(window, EXIT_BUTTON);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), process.WaitExit(1000));
    EXPECT_TRUE(IsWindow(window));

    Release();
    EXPECT_TRUE(ExitsOnClick());
}

TEST_F(Commands, BurstOfActivationsStartsOneInstaller)
{
    Hold();
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup.exe,/s", L"setup.exe"));
    SendKeys(window, {VK_TAB});
    ASSERT_TRUE(WaitForPixel(window, 350, 60, LIT)) << "Tab lit no button";
    SendKeys(window, {VK_RETURN}, 50);
    ASSERT_TRUE(WaitStarted(1));
    // An ignored key leaves no trace to wait for; give the queue time to drain
    // while the installer still runs.
    Sleep(1500);
    Release();
    EXPECT_TRUE(ExitsOnClick());
    EXPECT_EQ(1u, Started().size());
}

TEST_F(Commands, InsertPromptNamesTheDiscAndCancelStartsNothing)
{
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup.exe,/s", L""));
    Click(window, INSTALL_BUTTON);
    MessageBoxView box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box.window);
    EXPECT_EQ(L"Please insert the disc INSTALLDISC.", box.text);
    EXPECT_EQ(L"Product Setup", box.caption);
    EXPECT_TRUE(box.HasButton(IDOK));
    EXPECT_TRUE(box.HasButton(IDCANCEL));
    box.Press(IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box.window); }));
    EXPECT_TRUE(ExitsOnClick(3000)) << "ready for the next command at once";
    EXPECT_TRUE(Started().empty());
}

TEST_F(Commands, OkOnceTheInstallerIsThereStartsIt)
{
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup\\setup.exe,/s", L""));
    Click(window, INSTALL_BUTTON);
    MessageBoxView box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box.window);
    PlaceRecorder(L"setup\\setup.exe");
    box.Press(IDOK);
    ASSERT_TRUE(WaitStarted(1));
    EXPECT_EQ(std::vector<std::string>{OnDisc("<root>setup\\setup.exe /s")}, Started());
    EXPECT_FALSE(WaitForWindow(L"#32770", process.Id(), 300)) << "no second prompt";
    EXPECT_TRUE(ExitsOnClick());
}

TEST_F(Commands, InstallerThatCannotStartLeavesTheLauncherReady)
{
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup", L""));
    CreateDirectoryW(disc.Path(L"setup").c_str(), nullptr);
    Click(window, INSTALL_BUTTON);
    EXPECT_FALSE(WaitForWindow(L"#32770", process.Id(), 500)) << "no message of its own";
    EXPECT_TRUE(ExitsOnClick(3000));
}

// A stand-in named msiexec.exe on the disc is found before the system's, so the
// test sees what the shell was asked to start.
TEST_F(Commands, UninstallRunsMsiexecWithTheProductCodeThenReloads)
{
    StoreProductCode();
    Hold();
    ASSERT_TRUE(Start(L"CMD_INSTALL,setup.exe", L"msiexec.exe"));
    Click(window, REMOVE_BUTTON);
    ASSERT_TRUE(WaitStarted(1));
    std::string commandLine = Started()[0];
    EXPECT_NE(std::string::npos, commandLine.find("msiexec")) << commandLine;
    std::string parameters = " /x " + Utf8(PRODUCT_CODE);
    EXPECT_EQ(parameters, commandLine.substr(commandLine.size() - parameters.size()));

    Click(window, EXIT_BUTTON);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), process.WaitExit(1000));
    // The buttons are cleared and loaded again: Exit only works if they came back.
    Release();
    EXPECT_TRUE(ExitsOnClick());
    EXPECT_EQ(1u, Started().size());
}

} // namespace
