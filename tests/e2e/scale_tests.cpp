// The real launcher at the display's scale: run in prefixes whose DPI is 120,
// 144 and 192 (and in the usual one at 96), it must be laid out, drawn, hit and
// reported to screen readers at the configuration's places times the scale.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstdlib>

namespace {

const COLORREF PLAIN_BACK = RGB(40, 40, 40);
const COLORREF BACK_2X = RGB(0, 0, 96);
const COLORREF NORMAL = RGB(0, 160, 0);
const COLORREF HOT = RGB(0, 0, 230);
const COLORREF HOT_1_5X = RGB(230, 120, 0);
const COLORREF MAGENTA = RGB(255, 0, 255);

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

TEST(LauncherAtDisplayScale, PlacesPicturesHitsAndLocationsFollowTheScale)
{
    SetProcessDPIAware();
    const int dpi = SystemDpi();
    auto at = [dpi](int value) { return MulDiv(value, dpi, 96); };
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    Disc disc = PrepareDisc(L"SCALEDISC");
    // The background has an @2x variant; the normal button picture, keyed in
    // its left half, has none; the hot one has an @1.5x variant.
    WriteBitmapFile(disc.Path(L"back.bmp"), 320, 240, [](int, int) { return PLAIN_BACK; });
    WriteBitmapFile(disc.Path(L"back@2x.bmp"), 640, 480, [](int, int) { return BACK_2X; });
    WriteBitmapFile(disc.Path(L"n.bmp"), 48, 32,
                    [](int x, int) { return x < 24 ? MAGENTA : NORMAL; });
    WriteBitmapFile(disc.Path(L"h.bmp"), 48, 32, [](int, int) { return HOT; });
    WriteBitmapFile(disc.Path(L"h@1.5x.bmp"), 72, 48, [](int, int) { return HOT_1_5X; });
    WriteTextFile(disc.Path(L"AUTORUN.INI"),
                  L"[Setup]\r\nDefaultLang=English\r\nBitmap=back.bmp\r\nBkgColor=0,0,96\r\n"
                  L"LoColor=255,255,255\r\n"
                  L"[SetupStr_English]\r\nTitle=Scaled\r\ncmd01=Exit,100,50\r\n"
                  L"[Setup_CommandDefines]\r\ncmd01=CMD_EXIT\r\n"
                  L"[SetupBtn_English]\r\ncmd01=n.bmp,h.bmp,40,40,48,32,255,0,255\r\n");
    Process process = Launch(disc.Path(L"AUTORUN.EXE"));
    HWND window = WaitForWindow(L"KT.SetupLauncher", process.Id());
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForPixel(window, at(70), at(50), NORMAL)) << "never painted at " << dpi;

    RECT client, frame, work;
    GetClientRect(window, &client);
    EXPECT_EQ(at(320), client.right);
    EXPECT_EQ(at(240), client.bottom);
    // Centred in the work area, title bar and all.
    GetWindowRect(window, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << frame.left << "," << frame.top << " to " << frame.right << "," << frame.bottom;
    EXPECT_LE(std::abs((frame.left - work.left) - (work.right - frame.right)), 1);
    const COLORREF back = dpi > 96 ? BACK_2X : PLAIN_BACK;
    // The keyed half of the button shows the background, magenta nowhere.
    const struct {
        int x, y;
        COLORREF colour;
    } seen[] = {
        {at(10), at(10), back},     {client.right - 1, client.bottom - 1, back},
        {at(41), at(41), back},     {at(63), at(56), back},
        {at(66), at(56), NORMAL},   {at(87), at(71), NORMAL},
        {at(88) + 1, at(56), back},
    };
    for (const auto &s : seen)
        EXPECT_EQ(s.colour, ClientPixel(window, s.x, s.y)) << s.x << "," << s.y << " at " << dpi;
    for (int x = at(40); x < at(88); x++) {
        COLORREF pixel = ClientPixel(window, x, at(56));
        EXPECT_TRUE(GetRValue(pixel) < 128 || GetBValue(pixel) < 128)
            << "a trace of the key at " << x;
    }

    // The screen reader's location of the button: from the picture's scaled
    // corner to beyond it, where the label lies.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible *object = nullptr;
    ASSERT_EQ(S_OK,
              AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void **>(&object)));
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = 1;
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(S_OK, object->accLocation(&left, &top, &width, &height, child));
    object->Release();
    CoUninitialize();
    POINT corner = {at(40), at(40)};
    ClientToScreen(window, &corner);
    EXPECT_EQ(corner.x, left);
    EXPECT_EQ(corner.y, top);
    EXPECT_GT(width, at(60)) << "the label at (100, 50) lies inside";
    EXPECT_GE(height, at(32));

    // The pointer lights the button at its scaled place: the hot picture drawn
    // for this scale, and a click there ends the launcher.
    MovePointerTo(window, at(44), at(68));
    EXPECT_TRUE(WaitForPixel(window, at(44), at(68), dpi > 96 ? HOT_1_5X : HOT)) << dpi;
    Click(window, RECT{at(44), at(68), at(44), at(68)});
    EXPECT_EQ(0u, process.WaitExit());
}

} // namespace
