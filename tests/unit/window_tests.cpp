// The real window on a temporary configuration: layout, reload, clean-up, and
// hover, press and keys through the window procedure, with the tick count and
// the sounds faked at the platform seam.
#include "config/command_table.h"
#include "state/working_copy.h"
#include "test_support.h"
#include "window/accessibility.h"
#include "window/paint.h"
#include "window/window.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <oleacc.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Under Wine without a window manager, hiding a window waits 2 s for one to
// answer. Windows of this program that Wine does not hand to a manager close at
// once; the setting is read when the first window is made, so it is written
// before main. Harmless on Windows.
bool KeepWindowsUnmanagedUnderWine()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") +
                       (wcsrchr(path, L'\\') ? wcsrchr(path, L'\\') + 1 : path) + L"\\X11 Driver";
    HKEY settings;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &settings, nullptr) != ERROR_SUCCESS)
        return false;
    RegSetValueExW(settings, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>(L"N"),
                   2 * sizeof(wchar_t));
    RegCloseKey(settings);
    return true;
}
const bool windowsUnmanaged = KeepWindowsUnmanagedUnderWine();

struct SoundCall {
    const void *sound;
    UINT flags;
};
std::vector<SoundCall> sounds;
DWORD fakeTick;

BOOL WINAPI RecordSound(LPCWSTR sound, UINT flags)
{
    sounds.push_back({sound, flags});
    return TRUE;
}

DWORD WINAPI FakeTickCount()
{
    return fakeTick;
}

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT)
            DispatchMessageW(&message);
    }
}

// Slot i's button: 40 x 30 at (10 + 50 i, 10).
RECT SlotRect(int i)
{
    RECT rect = {10 + 50 * i, 10, 50 + 50 * i, 40};
    return rect;
}

// Exit buttons without pictures at SlotRect for the given slot indices; a slot
// that runs destroys the window, which the tests observe.
std::wstring ExitButtons(std::initializer_list<int> slots)
{
    std::wstring defines = L"[Setup_CommandDefines]\r\n", buttons = L"[SetupBtn_English]\r\n";
    for (int i : slots) {
        wchar_t line[128];
        RECT r = SlotRect(i);
        wsprintfW(line, L"cmd%02d=CMD_EXIT\r\n", i + 1);
        defines += line;
        wsprintfW(line, L"cmd%02d=n.bmp,h.bmp,%d,%d,40,30\r\n", i + 1, r.left, r.top);
        buttons += line;
    }
    return defines + buttons;
}

class LauncherWindow : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir disc;
    HWND window = nullptr;

    void SetUp() override
    {
        ResetCommandTable();
        // The real pointer stays off the window, so only the test's hit tests count.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        os.sndPlaySoundW = RecordSound;
        os.GetTickCount = FakeTickCount;
        fakeTick = 1000;
    }

    void TearDown() override
    {
        Close();
        ResetCommandTable();
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }

    // Opens the window on `ini` with its first reload and paint done.
    void Open(const std::wstring &ini)
    {
        Configure(ini);
        sounds.clear();
        window = CreateLauncherWindow();
        ASSERT_TRUE(window);
        Pump();
        UpdateWindow(window);
        sounds.clear();
    }

    void Configure(const std::wstring &ini)
    {
        WriteTextFile(disc.File(L"AUTORUN.INI"), ini);
        SetText(launcher.iniPath, disc.File(L"AUTORUN.INI"));
        SetText(launcher.sourceRoot, disc.Path() + L"\\");
        SetText(launcher.activeSection, L"Setup");
        SetText(launcher.sectionPrefix, L"Setup");
        SetText(launcher.language, L"English");
        SetText(launcher.caption, L"Product Setup");
    }

    void Close()
    {
        if (IsWindow(window))
            DestroyWindow(window);
        Pump();
        LeaveAccessibility(); // as the launcher does when its loop ends
        UnregisterClassW(LAUNCHER_CLASS, launcher.instance);
        launcher.background = nullptr;
        launcher.defaultBackground = 0;
    }

    // Opens with quiet period over and the pointer's last point off every slot.
    void OpenButtons(std::initializer_list<int> slots)
    {
        Open(ExitButtons(slots));
        fakeTick = 100000;
    }

    void HitTest(int x, int y)
    {
        POINT point = {x, y};
        ClientToScreen(window, &point);
        EXPECT_EQ(HTCLIENT, SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)));
    }
    void HoverSlot(int i, int dx = 0) { HitTest(SlotRect(i).left + 5 + dx, 20); }
    void Press(int i) { SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointIn(i)); }
    void Release(int i) { SendMessageW(window, WM_LBUTTONUP, 0, PointIn(i)); }
    static LPARAM PointIn(int i) { return MAKELPARAM(SlotRect(i).left + 5, 20); }
    void Key(WPARAM key) { SendMessageW(window, WM_KEYDOWN, key, 0); }

    // Whether the update region is exactly the given slots' rectangles, grown
    // by `margin`; then validates it.
    bool UpdateRegionIs(std::initializer_list<int> slots, int margin = 0)
    {
        HRGN expected = CreateRectRgn(0, 0, 0, 0), actual = CreateRectRgn(0, 0, 0, 0);
        for (int i : slots) {
            RECT rect = SlotRect(i);
            InflateRect(&rect, margin, margin);
            HRGN part = CreateRectRgnIndirect(&rect);
            CombineRgn(expected, expected, part, RGN_OR);
            DeleteObject(part);
        }
        GetUpdateRgn(window, actual, FALSE);
        bool same = EqualRgn(expected, actual);
        DeleteObject(expected);
        DeleteObject(actual);
        ValidateRect(window, nullptr);
        return same;
    }
};

TEST_F(LauncherWindow, CreationShowsTheWindowPlaysTheIntroAndOpensTheQuietPeriod)
{
    WriteTextFile(disc.File(L"AUTORUN.INI"), L"");
    SetText(launcher.iniPath, disc.File(L"AUTORUN.INI"));
    window = CreateLauncherWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window, launcher.mainWindow);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_EQ(0u, GetClassLongW(window, GCL_STYLE));
    ASSERT_EQ(1u, sounds.size());
    EXPECT_EQ(launcher.introSound, sounds[0].sound);
    EXPECT_EQ(static_cast<UINT>(SND_ASYNC | SND_MEMORY), sounds[0].flags);
    EXPECT_EQ(0, memcmp(launcher.introSound, "RIFF", 4));
}

TEST_F(LauncherWindow, BackgroundDecidesTheWindowSize)
{
    WriteBitmapFile(disc.File(L"back.bmp"), 640, 480, [](int, int) { return RGB(9, 9, 9); });
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const struct {
        std::wstring setup;
        int builtIn;
    } cases[] = {
        {L"", 1},
        {L"Bitmap=\r\n", 1},
        {L"Bitmap=back.bmp\r\n", 0},
        {L"Bitmap=missing.bmp\r\n", 1},
        {L"Bitmap=" + std::wstring(250, L'x') + L"back.bmp\r\n", 1},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(n++);
        Open(L"[Setup]\r\n" + c.setup);
        RECT outer, client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        EXPECT_EQ(c.builtIn, launcher.defaultBackground);
        if (c.builtIn) {
            EXPECT_EQ(557, outer.right - outer.left);
            EXPECT_EQ(421 + caption, outer.bottom - outer.top);
        } else {
            EXPECT_EQ(640, client.right);
            EXPECT_EQ(480, client.bottom);
        }
        EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - (outer.right - outer.left)) / 2, outer.left);
        Close();
    }
}

TEST_F(LauncherWindow, DpiChangeTakesTheSuggestedPlaceAndScalesTheLayoutKeepingTheHotSlot)
{
    WriteBitmapFile(disc.File(L"back.bmp"), 320, 240, [](int, int) { return RGB(9, 9, 9); });
    Open(L"[Setup]\r\nBitmap=back.bmp\r\n" + ExitButtons({0, 1}));
    fakeTick = 100000;
    HoverSlot(1);
    ASSERT_EQ(1, launcher.hotIndex);
    for (int dpi : {192, 144, 96}) {
        SCOPED_TRACE(dpi);
        RECT suggested = {10, 20, 10 + MulDiv(330, dpi, 96), 20 + MulDiv(280, dpi, 96)};
        ValidateRect(window, nullptr);
        EXPECT_EQ(0, SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                  reinterpret_cast<LPARAM>(&suggested)));
        RECT outer, client, expected;
        GetWindowRect(window, &outer);
        EXPECT_TRUE(EqualRect(&suggested, &outer));
        GetClientRect(window, &client);
        EXPECT_TRUE(GetUpdateRect(window, &expected, FALSE) && EqualRect(&client, &expected));
        EXPECT_EQ(1, launcher.hotIndex);
        EXPECT_EQ(MulDiv(320, dpi, 96), launcher.backgroundWidth);
        for (int i : {0, 1}) {
            RECT r = SlotRect(i);
            SetRect(&expected, MulDiv(r.left, dpi, 96), MulDiv(r.top, dpi, 96),
                    MulDiv(r.left, dpi, 96) + MulDiv(40, dpi, 96),
                    MulDiv(r.top, dpi, 96) + MulDiv(30, dpi, 96));
            EXPECT_TRUE(EqualRect(&expected, &CommandTable[i].buttonRect)) << i;
        }
    }
    HoverSlot(0);
    EXPECT_EQ(0, launcher.hotIndex);
}

TEST_F(LauncherWindow, IconComesFromTheNamedFileElseTheBuiltInOne)
{
    CopyFileW((BuildDir() + L"\\assets\\res\\launcher.ico").c_str(), disc.File(L"disc.ico").c_str(),
              FALSE);
    HICON builtIn = LoadIconW(launcher.instance, MAKEINTRESOURCEW(1003));
    const struct {
        const wchar_t *setup;
        bool fromFile;
    } cases[] = {
        {L"Icon=disc.ico\r\n", true},
        {L"", false},
        {L"Icon=missing.ico\r\n", false},
        {L"Icon=AUTORUN.INI\r\n", false},
    };
    for (const auto &c : cases) {
        Open(std::wstring(L"[Setup]\r\n") + c.setup);
        HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
        EXPECT_TRUE(icon) << c.setup;
        EXPECT_EQ(!c.fromFile, icon == builtIn) << c.setup;
        Close();
    }
}

UINT(WINAPI *extractIcons)(LPCWSTR, int, HICON *, HICON *, UINT);
HICON extractedIcon;

UINT WINAPI RecordExtractedIcon(LPCWSTR file, int index, HICON *large, HICON *small, UINT count)
{
    UINT result = extractIcons(file, index, large, small, count);
    extractedIcon = *large;
    return result;
}

TEST_F(LauncherWindow, ExtractedIconIsDestroyedWhenTheClassCannotBeRegistered)
{
    CopyFileW((BuildDir() + L"\\assets\\res\\launcher.ico").c_str(), disc.File(L"disc.ico").c_str(),
              FALSE);
    Configure(L"[Setup]\r\nIcon=disc.ico\r\n");
    extractIcons = os.ExtractIconExW;
    os.ExtractIconExW = RecordExtractedIcon;
    extractedIcon = nullptr;
    WNDCLASSW taken = {};
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = launcher.instance;
    taken.lpszClassName = LAUNCHER_CLASS;
    ASSERT_TRUE(RegisterClassW(&taken));
    EXPECT_FALSE(CreateLauncherWindow());
    ASSERT_TRUE(extractedIcon);
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(extractedIcon, &info)) << "the icon no class took is destroyed";
}

COLORREF ClassBrushColour(HWND window)
{
    LOGBRUSH brush = {};
    GetObjectW(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)),
               sizeof brush, &brush);
    return brush.lbColor;
}

TEST_F(LauncherWindow, ReloadReadsColoursReplacesTheBrushAndSetsTheCaption)
{
    Open(L"[Setup]\r\nBkgColor=300,0,-1\r\nHiColor=255,255\r\n");
    EXPECT_EQ(RGB(44, 0, 255), launcher.bkgColor);
    EXPECT_EQ(RGB(255, 255, 0), launcher.hiColor);
    EXPECT_EQ(RGB(0, 0, 0), launcher.loColor);
    EXPECT_EQ(RGB(44, 0, 255), ClassBrushColour(window));
    wchar_t title[64];
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(L"Product Setup", title);

    HGDIOBJ first = reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND));
    WriteTextFile(launcher.iniPath, L"[Setup]\r\nBkgColor=0,0,96\r\n");
    PostMessageW(window, LM_RELOAD, 0, 0);
    Pump();
    EXPECT_EQ(RGB(0, 0, 96), ClassBrushColour(window));
    EXPECT_EQ(0u, GetObjectType(first)) << "the replaced brush is deleted";
}

TEST_F(LauncherWindow, DestroyFreesEveryGdiObjectAndQuitsWithZero)
{
    WriteBitmapFile(disc.File(L"back.bmp"), 32, 16, [](int, int) { return RGB(9, 9, 9); });
    WriteBitmapFile(disc.File(L"b.bmp"), 8, 8, [](int, int) { return RGB(200, 0, 0); });
    Open(L"[Setup]\r\nBitmap=back.bmp\r\n[Setup_CommandDefines]\r\ncmd01=CMD_EXIT\r\n"
         L"[SetupBtn_English]\r\ncmd01=b.bmp,b.bmp,0,0,8,8\r\n");
    HGDIOBJ objects[] = {launcher.background, CommandTable[0].normalImage, CommandTable[0].hotImage,
                         reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND))};
    for (HGDIOBJ object : objects)
        ASSERT_NE(0u, GetObjectType(object));

    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    for (HGDIOBJ object : objects)
        EXPECT_EQ(0u, GetObjectType(object));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST_F(LauncherWindow, EndSessionDeletesTheWorkingCopyEvenWhenCancelled)
{
    Open(L"[Setup]\r\n");
    TempDir windows;
    MakeWorkingCopy(windows.Path().c_str());
    ASSERT_EQ(windows.File(L"~.INI"), launcher.iniPath);
    SetFileAttributesW(launcher.iniPath, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, SendMessageW(window, WM_ENDSESSION, FALSE, 0));
    EXPECT_FALSE(FileExists(launcher.iniPath));
    EXPECT_TRUE(FileExists(disc.File(L"AUTORUN.INI")));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(LauncherWindow, QuietPeriodComparesTicksAsUnsigned)
{
    fakeTick = 0x7FFFE000;
    Open(ExitButtons({0, 1}));
    const struct {
        DWORD tick;
        bool plays;
    } cases[] = {
        {0x7FFFFB57, false}, {0x7FFFFB58, false}, {0x7FFFFB59, true},
        {0x80000000, true},  {0xFFFFFFFF, true},
    };
    int slot = 0;
    for (const auto &c : cases) {
        fakeTick = c.tick;
        sounds.clear();
        HoverSlot(slot);
        EXPECT_EQ(slot, launcher.hotIndex);
        EXPECT_EQ(c.plays ? 1u : 0u, sounds.size()) << std::hex << c.tick;
        slot = 1 - slot;
    }
    fakeTick = 0x7FFFFB58;
    sounds.clear();
    Key(VK_DOWN);
    EXPECT_TRUE(sounds.empty()) << "keys keep the quiet period too";
}

TEST_F(LauncherWindow, HoverPlaysTheSlotSoundAndRepaintsOnlyWhatChanges)
{
    OpenButtons({0, 1});
    HoverSlot(0);
    ASSERT_EQ(1u, sounds.size());
    EXPECT_EQ(CommandTable[0].sound, sounds[0].sound);
    EXPECT_EQ(CommandTable[0].soundFlags, sounds[0].flags);
    EXPECT_TRUE(UpdateRegionIs({0}));

    HoverSlot(0, 3);
    EXPECT_TRUE(UpdateRegionIs({})) << "same slot, another point";
    HoverSlot(1);
    EXPECT_TRUE(UpdateRegionIs({0, 1}));
    HitTest(300, 200);
    EXPECT_EQ(-1, launcher.hotIndex);
    EXPECT_TRUE(UpdateRegionIs({1}));
    EXPECT_EQ(2u, sounds.size());
}

TEST_F(LauncherWindow, RepeatedHitTestsAtOnePointRunNoUpdate)
{
    OpenButtons({0, 1});
    HoverSlot(0);
    Key(VK_DOWN);
    ASSERT_EQ(1, launcher.hotIndex);
    sounds.clear();
    HoverSlot(0);
    HoverSlot(0);
    EXPECT_EQ(1, launcher.hotIndex) << "the pointer has not moved";
    EXPECT_TRUE(sounds.empty());
}

TEST_F(LauncherWindow, PressOnOneSlotAndReleaseOnAnotherRunsNothing)
{
    OpenButtons({0, 1, 2, 3, 4, 5});
    HoverSlot(2);
    Press(2);
    ValidateRect(window, nullptr);
    sounds.clear();

    HoverSlot(5);
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(UpdateRegionIs({2})) << "slot 5 is never drawn hot";
    Release(5);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(-1, launcher.hotIndex);
    EXPECT_EQ(-1, launcher.pressedIndex);
    EXPECT_EQ(nullptr, GetCapture());

    HoverSlot(5, 3);
    EXPECT_EQ(5, launcher.hotIndex);
    EXPECT_EQ(1u, sounds.size());
}

TEST_F(LauncherWindow, DragOffAndBackPlaysAgainAndReleaseRunsTheSlot)
{
    OpenButtons({0, 1, 2});
    HoverSlot(2);
    Press(2);
    EXPECT_EQ(window, GetCapture());
    HitTest(300, 200);
    HoverSlot(2, 3);
    EXPECT_EQ(2u, sounds.size());
    Release(2);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(LauncherWindow, TabAndShiftTabCycleThroughThreeSlots)
{
    OpenButtons({0, 1, 2});
    for (int expected : {0, 1, 2, 0}) {
        Key(VK_TAB);
        EXPECT_EQ(expected, launcher.hotIndex);
    }
    EXPECT_EQ(4u, sounds.size());

    launcher.hotIndex = -1;
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    for (int expected : {0, 2, 1, 0}) {
        Key(VK_TAB);
        EXPECT_EQ(expected, launcher.hotIndex);
    }
}

TEST_F(LauncherWindow, DownFromAPointerSlotBeyondTheCountWalksToTheEndThenZero)
{
    OpenButtons({0, 3});
    ASSERT_EQ(2, launcher.visibleCount);
    HoverSlot(3);
    std::vector<int> visited;
    for (int i = 0; i < 27; i++) {
        Key(VK_DOWN);
        visited.push_back(launcher.hotIndex);
    }
    std::vector<int> expected;
    for (int i = 4; i < SLOT_COUNT; i++)
        expected.push_back(i);
    expected.push_back(0);
    EXPECT_EQ(expected, visited);
}

TEST_F(LauncherWindow, EnterRunsTheHotSlotAndNothingWithoutOne)
{
    OpenButtons({0, 1});
    Key(VK_RETURN);
    Key(VK_SPACE);
    EXPECT_TRUE(IsWindow(window));
    HoverSlot(1);
    Key(VK_RETURN);
    EXPECT_FALSE(IsWindow(window));
}

BOOL highContrastSetting;

BOOL WINAPI FakeSystemParameters(UINT action, UINT, PVOID parameter, UINT)
{
    if (action != SPI_GETHIGHCONTRAST)
        return FALSE;
    static_cast<HIGHCONTRASTW *>(parameter)->dwFlags = highContrastSetting ? HCF_HIGHCONTRASTON : 0;
    return TRUE;
}

TEST_F(LauncherWindow, HighContrastIsReadAtCreationAndAgainWhenSettingsOrColoursChange)
{
    os.SystemParametersInfoW = FakeSystemParameters;
    highContrastSetting = TRUE;
    OpenButtons({0});
    EXPECT_EQ(1, launcher.highContrast);
    ValidateRect(window, nullptr);
    const struct {
        UINT message;
        BOOL setting;
        bool repaintsAll;
    } cases[] = {
        {WM_SETTINGCHANGE, TRUE, false},  {WM_SETTINGCHANGE, FALSE, true},
        {WM_SETTINGCHANGE, FALSE, false}, {WM_SYSCOLORCHANGE, FALSE, true},
        {WM_SYSCOLORCHANGE, TRUE, true},
    };
    RECT client;
    GetClientRect(window, &client);
    for (const auto &c : cases) {
        highContrastSetting = c.setting;
        EXPECT_EQ(0, SendMessageW(window, c.message, SPI_SETHIGHCONTRAST, 0));
        EXPECT_EQ(c.setting ? 1 : 0, launcher.highContrast);
        RECT update;
        GetUpdateRect(window, &update, FALSE);
        EXPECT_EQ(c.repaintsAll, EqualRect(&update, &client) != 0) << c.message << " " << c.setting;
        ValidateRect(window, nullptr);
    }
}

TEST_F(LauncherWindow, UnderHighContrastHoverRepaintsTheFocusRectanglesToo)
{
    os.SystemParametersInfoW = FakeSystemParameters;
    highContrastSetting = TRUE;
    OpenButtons({0, 1});
    RECT focus;
    GetFocusBounds(0, &focus);
    RECT expected = SlotRect(0);
    InflateRect(&expected, 3, 3);
    EXPECT_TRUE(EqualRect(&expected, &focus));
    HoverSlot(0);
    EXPECT_TRUE(UpdateRegionIs({0}, 3));
    HoverSlot(1);
    EXPECT_TRUE(UpdateRegionIs({0, 1}, 3));
}

struct ComCalls {
    int initialized, answered, disconnected, uninitialized;
} com;

HRESULT WINAPI CountInitialize(LPVOID, DWORD)
{
    com.initialized++;
    return S_OK;
}
LRESULT WINAPI CountAnswer(REFIID, WPARAM, LPUNKNOWN)
{
    com.answered++;
    return 0x5EED;
}
HRESULT WINAPI CountDisconnect(LPUNKNOWN, DWORD)
{
    com.disconnected++;
    return S_OK;
}
void WINAPI CountUninitialize()
{
    com.uninitialized++;
}

WNDPROC launcherProc;
LRESULT askedWhileGoing;

// Asks for the client object after WM_DESTROY, as a reader may while the window goes.
LRESULT CALLBACK AskWhileGoing(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        askedWhileGoing = SendMessageW(window, WM_GETOBJECT, 0, OBJID_CLIENT);
    return CallWindowProcW(launcherProc, window, message, wParam, lParam);
}

TEST_F(LauncherWindow, GetObjectAnswersForTheClientAloneAndEveryOtherIdGoesToTheDefault)
{
    com = {};
    os.CoInitializeEx = CountInitialize;
    os.LresultFromObject = CountAnswer;
    os.CoDisconnectObject = CountDisconnect;
    os.CoUninitialize = CountUninitialize;
    OpenButtons({0});
    EXPECT_EQ(0, com.initialized) << "COM waits for the first screen reader";
    const struct {
        LPARAM id;
        bool client;
    } cases[] = {
        {OBJID_WINDOW, false},
        {OBJID_CARET, false},
        {OBJID_VSCROLL, false},
        {-25, false}, // UI Automation's root object
        {0, false},
        {static_cast<LPARAM>(OBJID_CLIENT), true},
        {static_cast<LPARAM>(static_cast<DWORD>(OBJID_CLIENT)), true},
    };
    for (const auto &c : cases) {
        int answered = com.answered;
        LRESULT result = SendMessageW(window, WM_GETOBJECT, 0, c.id);
        if (c.client) {
            EXPECT_EQ(0x5EED, result);
            EXPECT_EQ(answered + 1, com.answered);
        } else {
            EXPECT_EQ(DefWindowProcW(window, WM_GETOBJECT, 0, c.id), result) << c.id;
            EXPECT_EQ(answered, com.answered) << c.id;
        }
    }
    EXPECT_EQ(1, com.initialized);
    EXPECT_EQ(0, com.disconnected);
    launcherProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AskWhileGoing)));
    int answered = com.answered;
    DestroyWindow(window);
    EXPECT_EQ(0, askedWhileGoing) << "a reader that asks after WM_DESTROY gets no object";
    EXPECT_EQ(answered, com.answered);
    EXPECT_EQ(1, com.initialized);
    EXPECT_EQ(1, com.disconnected);
    EXPECT_EQ(0, com.uninitialized) << "COM is left after the message loop, not inside it";
    Close();
    EXPECT_EQ(1, com.uninitialized);
}

// The client object as a screen reader gets it, through oleacc.
IAccessible *ClientObjectOf(HWND window)
{
    LRESULT answer = SendMessageW(window, WM_GETOBJECT, 0, OBJID_CLIENT);
    IAccessible *object = nullptr;
    if (answer > 0)
        ObjectFromLresult(answer, IID_IAccessible, 0, reinterpret_cast<void **>(&object));
    return object;
}

VARIANT Child(long id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

using TextGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR *);

// A text of `child`: "(none)" for no text, "(failed)" for a failure.
std::wstring ReadText(IAccessible *object, TextGetter get, long child)
{
    BSTR text = nullptr;
    HRESULT result = (object->*get)(Child(child), &text);
    std::wstring taken = FAILED(result) ? L"(failed)" : text ? text : L"(none)";
    SysFreeString(text);
    return taken;
}

// The child id in an answer; 0 for an empty one.
long TakeChild(const VARIANT &answer)
{
    return answer.vt == VT_I4 ? answer.lVal : answer.vt == VT_EMPTY ? 0 : -99;
}

// Roles, states and places of labelled buttons are seen from another process
// in the end-to-end tests; here the children across gaps in the table.
TEST_F(LauncherWindow, ChildrenAreTheShownSlotsInSlotOrderFoundByPlaceAndDirection)
{
    Open(L"[Setup_CommandDefines]\r\ncmd01=CMD_EXIT\r\ncmd03=CMD_EXIT\r\ncmd05=CMD_EXIT\r\n"
         L"[SetupStr_English]\r\ncmd01=Install\\nNow,60,12\r\ncmd05=Read me,300,60\r\n"
         L"[SetupBtn_English]\r\ncmd01=n.bmp,h.bmp,10,10,40,30\r\n"
         L"cmd03=n.bmp,h.bmp,110,10,40,30\r\n");
    IAccessible *client = ClientObjectOf(window);
    ASSERT_TRUE(client);
    BSTR text = nullptr;
    VARIANT answer;
    long count = 0;
    EXPECT_EQ(S_OK, client->get_accChildCount(&count));
    EXPECT_EQ(3, count);
    const wchar_t *names[] = {L"Install Now", L"(none)", L"Read me"};
    for (long child = 1; child <= 3; child++)
        EXPECT_EQ(names[child - 1], ReadText(client, &IAccessible::get_accName, child));
    // A label alone is the whole place of its slot.
    RECT label = CommandTable[4].labelRect;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&label), 2);
    long x = 0, y = 0, cx = 0, cy = 0;
    EXPECT_EQ(S_OK, client->accLocation(&x, &y, &cx, &cy, Child(3)));
    EXPECT_EQ(label.left, x);
    EXPECT_EQ(label.top, y);
    EXPECT_EQ(label.right - label.left, cx);
    EXPECT_EQ(label.bottom - label.top, cy);

    for (long wrong : {4L, -1L, 30L}) {
        EXPECT_EQ(E_INVALIDARG, client->get_accName(Child(wrong), &text)) << wrong;
        EXPECT_EQ(E_INVALIDARG, client->get_accRole(Child(wrong), &answer)) << wrong;
        EXPECT_EQ(E_INVALIDARG, client->accDoDefaultAction(Child(wrong))) << wrong;
    }

    const struct {
        long start, direction, end;
    } moves[] = {
        {CHILDID_SELF, NAVDIR_FIRSTCHILD, 1},
        {CHILDID_SELF, NAVDIR_LASTCHILD, 3},
        {1, NAVDIR_NEXT, 2},
        {2, NAVDIR_NEXT, 3},
        {3, NAVDIR_NEXT, 0},
        {3, NAVDIR_PREVIOUS, 2},
        {1, NAVDIR_PREVIOUS, 0},
        {2, NAVDIR_FIRSTCHILD, 0},
    };
    for (const auto &m : moves) {
        VARIANT end;
        client->accNavigate(m.direction, Child(m.start), &end);
        EXPECT_EQ(m.end, TakeChild(end)) << m.start << " " << m.direction;
    }

    const struct {
        POINT client;
        long child;
    } hits[] = {{{15, 15}, 1}, {{120, 20}, 2}, {{305, 63}, 3}, {{200, 200}, CHILDID_SELF}};
    for (const auto &h : hits) {
        POINT screen = h.client;
        ClientToScreen(window, &screen);
        VARIANT hit;
        EXPECT_EQ(S_OK, client->accHitTest(screen.x, screen.y, &hit));
        EXPECT_EQ(h.child, TakeChild(hit)) << h.client.x << "," << h.client.y;
    }
    RECT outer;
    GetWindowRect(window, &outer);
    VARIANT outside;
    EXPECT_EQ(S_FALSE, client->accHitTest(outer.right + 5, outer.top, &outside));
    EXPECT_EQ(VT_EMPTY, outside.vt);
    client->Release();
}

struct WinEvent {
    DWORD event;
    LONG object, child;
};
std::vector<WinEvent> winEvents;

void WINAPI RecordWinEvent(DWORD event, HWND, LONG object, LONG child)
{
    winEvents.push_back({event, object, child});
}

// The children that focus events named, in order.
std::vector<LONG> FocusedChildren()
{
    std::vector<LONG> children;
    for (const WinEvent &e : winEvents) {
        if (e.event == EVENT_OBJECT_FOCUS && e.object == OBJID_CLIENT)
            children.push_back(e.child);
    }
    return children;
}

TEST_F(LauncherWindow, ScreenReadersHearOfTheFocusedChildReloadsAndScaleChanges)
{
    os.NotifyWinEvent = RecordWinEvent;
    // Keys step through 0 to 2; slot 2 is not shown.
    OpenButtons({0, 1, 3});
    SetFocus(window);
    winEvents.clear();
    for (int i = 0; i < 4; i++)
        Key(VK_DOWN);
    EXPECT_EQ((std::vector<LONG>{1, 2, 1}), FocusedChildren());

    IAccessible *client = ClientObjectOf(window);
    ASSERT_TRUE(client);
    VARIANT answer;
    ASSERT_EQ(S_OK, client->get_accFocus(&answer));
    EXPECT_EQ(1, TakeChild(answer));
    client->Release();

    winEvents.clear();
    SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ((std::vector<LONG>{1}), FocusedChildren()) << "gaining the focus with a hot slot";
    PostMessageW(window, LM_RELOAD, 0, 0);
    Pump();
    ASSERT_FALSE(winEvents.empty());
    EXPECT_EQ(static_cast<DWORD>(EVENT_OBJECT_REORDER), winEvents.back().event);

    winEvents.clear();
    RECT suggested;
    GetWindowRect(window, &suggested);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    std::vector<LONG> moved;
    for (const WinEvent &e : winEvents) {
        if (e.event == EVENT_OBJECT_LOCATIONCHANGE && e.object == OBJID_CLIENT)
            moved.push_back(e.child);
    }
    EXPECT_EQ((std::vector<LONG>{1, 2, 3}), moved) << "a scale change moves every shown slot";
}

TEST_F(LauncherWindow, DefaultActionRunsTheSlotLaterFromTheQueueAndLateCallsFailCleanly)
{
    OpenButtons({0, 2});
    IAccessible *client = ClientObjectOf(window);
    ASSERT_TRUE(client);
    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(2)));
    EXPECT_TRUE(IsWindow(window)) << "the caller never waits for the command";
    Pump();
    EXPECT_FALSE(IsWindow(window));

    long count = 0;
    BSTR text = nullptr;
    VARIANT answer;
    EXPECT_EQ(RPC_E_DISCONNECTED, client->get_accChildCount(&count));
    EXPECT_EQ(RPC_E_DISCONNECTED, client->get_accName(Child(1), &text));
    EXPECT_EQ(RPC_E_DISCONNECTED, client->get_accFocus(&answer));
    EXPECT_EQ(RPC_E_DISCONNECTED, client->accHitTest(0, 0, &answer));
    EXPECT_EQ(RPC_E_DISCONNECTED, client->accDoDefaultAction(Child(1)));
    client->Release();
}

TEST_F(LauncherWindow, PressOfASlotNoLongerShownOrOnADisabledWindowRunsNothing)
{
    OpenButtons({0, 2});
    for (WPARAM slot : {WPARAM(1), WPARAM(30), ~WPARAM(0)}) {
        PostMessageW(window, LM_PRESS_SLOT, slot, 0);
        Pump();
        EXPECT_TRUE(IsWindow(window)) << slot;
    }

    IAccessible *client = ClientObjectOf(window);
    ASSERT_TRUE(client);
    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(1)));
    ClearCommandTable(); // a reload came between
    Pump();
    EXPECT_TRUE(IsWindow(window));
    client->Release();

    PostMessageW(window, LM_RELOAD, 0, 0);
    Pump();
    EnableWindow(window, FALSE);
    PostMessageW(window, LM_PRESS_SLOT, 0, 0);
    Pump();
    EXPECT_TRUE(IsWindow(window)) << "a box of the launcher's own is up";
    EnableWindow(window, TRUE);
    PostMessageW(window, LM_PRESS_SLOT, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
