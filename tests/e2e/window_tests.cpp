// The real launcher window seen and driven from outside: its size, its pixels,
// and real pointer and key input that ends it through an exit button.
#include "e2e_support.h"

#include <gtest/gtest.h>

namespace {

const COLORREF BACKGROUND = RGB(0, 0, 96);
const COLORREF NORMAL = RGB(0, 160, 0);
const COLORREF HOT = RGB(0, 0, 230);
const COLORREF MAGENTA = RGB(255, 0, 255);

// Slot cmd01 is an exit button at (40, 40), 48 x 32: its normal picture is
// green with a magenta left half (the colour key), its hot picture blue.
std::wstring ExitButtonConfiguration(const std::wstring &setupLines)
{
    return L"[Setup]\r\nDefaultLang=English\r\nBkgColor=0,0,96\r\nLoColor=255,255,255\r\n" +
           setupLines +
           L"[SetupStr_English]\r\nTitle=Product Setup\r\ncmd01=Exit,100,50\r\n"
           L"[Setup_CommandDefines]\r\ncmd01=CMD_EXIT\r\n"
           L"[SetupBtn_English]\r\ncmd01=normal.bmp,hot.bmp,40,40,48,32,255,0,255\r\n";
}

void WriteButtonPictures(const Disc &disc)
{
    WriteBitmapFile(disc.Path(L"normal.bmp"), 48, 32,
                    [](int x, int) { return x < 24 ? MAGENTA : NORMAL; });
    WriteBitmapFile(disc.Path(L"hot.bmp"), 48, 32, [](int, int) { return HOT; });
}

class LauncherWindowOnDisc : public ::testing::Test {
protected:
    void TearDown() override { EndAllLaunchers(); }

    // A fresh disc with the button pictures, and the pointer off the window.
    void UseDisc(const std::wstring &label)
    {
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        disc = PrepareDisc(label);
        WriteButtonPictures(disc);
    }

    // Starts the launcher and waits for its first paint.
    HWND Start(const std::wstring &setupLines = L"")
    {
        WriteTextFile(disc.Path(L"AUTORUN.INI"), ExitButtonConfiguration(setupLines));
        process = Launch(disc.Path(L"AUTORUN.EXE"));
        HWND window = WaitForWindow(L"KT.SetupLauncher", process.Id());
        if (window && !WaitForPixel(window, 70, 50, NORMAL))
            ADD_FAILURE() << "the exit button was never painted";
        return window;
    }

    void ExpectCleanEnd()
    {
        EXPECT_EQ(0u, process.WaitExit());
        EXPECT_FALSE(FileExists(WorkingCopyPath(disc.label)));
    }

    Disc disc;
    Process process;
};

TEST_F(LauncherWindowOnDisc, BuiltInBackgroundSitsInMarginsOfTheBackgroundColour)
{
    UseDisc(L"WINDOWDISC");
    HWND window = Start();
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Product Setup", WindowText(window));
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(557, outer.right - outer.left);
    EXPECT_EQ(421 + GetSystemMetrics(SM_CYCAPTION), outer.bottom - outer.top);

    // The launcher's own bitmap, read from its file, is drawn at (8, 8).
    HMODULE program =
        LoadLibraryExW(disc.Path(L"AUTORUN.EXE").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP builtIn = LoadBitmapW(program, MAKEINTRESOURCEW(1005));
    ASSERT_TRUE(builtIn);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, builtIn);
    for (POINT p : {POINT{0, 0}, POINT{300, 200}, POINT{536, 385}})
        EXPECT_EQ(GetPixel(memory, p.x, p.y), ClientPixel(window, 8 + p.x, 8 + p.y));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(builtIn);
    FreeLibrary(program);

    for (POINT p : {POINT{3, 3}, POINT{546, 200}, POINT{300, 400}})
        EXPECT_EQ(BACKGROUND, ClientPixel(window, p.x, p.y)) << p.x << "," << p.y;

    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectCleanEnd();
}

COLORREF Pattern(int x, int y)
{
    return RGB(x / 4, y / 2, 40);
}

TEST_F(LauncherWindowOnDisc, ConfiguredBackgroundFillsTheClientAreaUnderAKeyedButton)
{
    UseDisc(L"WINDOWDISC");
    WriteBitmapFile(disc.Path(L"back.bmp"), 640, 480, Pattern);
    HWND window = Start(L"Bitmap=back.bmp\r\n");
    ASSERT_TRUE(window);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(480, client.bottom);
    // (50, 50) lies in the magenta half of the button, keyed out.
    for (POINT p : {POINT{0, 0}, POINT{639, 479}, POINT{320, 400}, POINT{50, 50}})
        EXPECT_EQ(Pattern(p.x, p.y), ClientPixel(window, p.x, p.y)) << p.x << "," << p.y;

    // The label in LoColor over its shadow in BkgColor.
    int label = 0, shadow = 0;
    for (int y = 40; y < 80; y++) {
        for (int x = 95; x < 160; x++) {
            COLORREF pixel = ClientPixel(window, x, y);
            label += pixel == RGB(255, 255, 255);
            shadow += pixel == BACKGROUND;
        }
    }
    EXPECT_GT(label, 0);
    EXPECT_GT(shadow, 0);
}

TEST_F(LauncherWindowOnDisc, ClickOnTheExitButtonEndsTheLauncher)
{
    UseDisc(L"INPUTDISC");
    HWND window = Start();
    ASSERT_TRUE(window);
    MovePointerTo(window, 70, 50);
    EXPECT_TRUE(WaitForPixel(window, 70, 50, HOT)) << "the button lights up under the pointer";
    Click(window, RECT{70, 50, 70, 50});
    ExpectCleanEnd();
}

TEST_F(LauncherWindowOnDisc, TabThenEnterRunsTheFirstSlot)
{
    UseDisc(L"INPUTDISC");
    HWND window = Start();
    ASSERT_TRUE(window);
    SendKeys(window, {VK_TAB});
    EXPECT_TRUE(WaitForPixel(window, 70, 50, HOT));
    SendKeys(window, {VK_RETURN});
    ExpectCleanEnd();
}

} // namespace
