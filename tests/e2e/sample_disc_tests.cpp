// The sample disc as a user meets it: its window and pictures, a lit button
// under the pointer, the installer run from the keyboard, and Exit.
#include "e2e_support.h"

#include <gtest/gtest.h>

namespace {

// Pixel (x, y), top-down, of a 24-bit bottom-up BMP file.
COLORREF BmpPixel(const std::wstring &path, int x, int y)
{
    std::string bytes = ReadBytes(path);
    const BYTE *data = reinterpret_cast<const BYTE *>(bytes.data());
    DWORD offset = *reinterpret_cast<const DWORD *>(data + 10);
    int width = *reinterpret_cast<const LONG *>(data + 18);
    int height = *reinterpret_cast<const LONG *>(data + 22);
    const BYTE *p = data + offset + (height - 1 - y) * ((width * 3 + 3) & ~3) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

TEST(SampleDisc, ShowsItsPicturesLightsAButtonInstallsAndExits)
{
    Disc disc = PrepareDisc(L"DEMODISC");
    CopyFolder(BuildDir() + L"\\sample-disc", disc.root.substr(0, 2));
    SetCursorPos(0, 0);

    Process launcher = Launch(disc.Path(L"AUTORUN.EXE"));
    HWND window = WaitForWindow(L"KT.SetupLauncher", launcher.Id());
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Harbor Suite 2027 Setup", WindowText(window));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(480, client.bottom);
    EXPECT_TRUE(WaitForPixel(window, 600, 20, BmpPixel(disc.Path(L"autorun\\back.bmp"), 600, 20)))
        << "the configured background fills the client area from (0, 0)";

    // The install button (64 x 64 at 44, 78) lights up under the pointer.
    COLORREF hot = BmpPixel(disc.Path(L"autorun\\install_hot.bmp"), 32, 32);
    MovePointerTo(window, 44 + 32, 78 + 32);
    EXPECT_TRUE(WaitForPixel(window, 44 + 32, 78 + 32, hot));

    // Enter runs it: the sample installer says what it was given.
    SendKeys(window, {VK_RETURN});
    ASSERT_TRUE(WaitFor([] { return FindWindowW(L"#32770", L"Harbor Suite 2027") != nullptr; }))
        << "the sample installer's message";
    DWORD installerId = 0;
    GetWindowThreadProcessId(FindWindowW(L"#32770", L"Harbor Suite 2027"), &installerId);
    MessageBoxView installer = WaitForMessageBox(installerId);
    ASSERT_TRUE(installer.window);
    EXPECT_EQ(L"Harbor Suite 2027", installer.caption);
    EXPECT_NE(std::wstring::npos, installer.text.find(L"/lang English")) << Utf8(installer.text);

    // While the installer runs, Exit is ignored; once it ends, Exit closes.
    const RECT exitButton = {44, 408, 108, 472};
    Click(window, exitButton);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), launcher.WaitExit(1000));
    installer.Press(IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(installer.window); }));
    EXPECT_TRUE(WaitFor([&] {
        Click(window, exitButton);
        return launcher.WaitExit(500) == 0;
    }));
    EXPECT_FALSE(FileExists(WorkingCopyPath(L"DEMODISC")));
}

} // namespace
