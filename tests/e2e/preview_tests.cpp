// The previews of AUTORUN-CHECK.EXE against the real launcher: the same disc,
// the window's client area captured once painted, compared pixel by pixel
// with the PNG the checker wrote.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <wincodec.h>

#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // blue, green, red; the top byte is ignored
};

Picture ReadPng(const std::wstring &path)
{
    Picture picture;
    IWICImagingFactory *factory = nullptr;
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    IWICBitmapSource *converted = nullptr;
    UINT width = 0, height = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame, &converted)) &&
        SUCCEEDED(converted->GetSize(&width, &height))) {
        std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
        if (SUCCEEDED(converted->CopyPixels(nullptr, width * 4, width * height * 4,
                                            reinterpret_cast<BYTE *>(pixels.data())))) {
            picture.width = width;
            picture.height = height;
            picture.pixels = pixels;
        }
    }
    for (IUnknown *object : std::initializer_list<IUnknown *>{converted, frame, decoder, factory}) {
        if (object)
            object->Release();
    }
    return picture;
}

Picture CaptureClientArea(HWND window)
{
    Picture picture;
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) {
        DeleteDC(memory);
        return picture;
    }
    HGDIOBJ previous = SelectObject(memory, section);
    HDC windowDc = GetDC(window);
    BitBlt(memory, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDc);
    GdiFlush();
    picture.width = client.right;
    picture.height = client.bottom;
    const DWORD *first = static_cast<const DWORD *>(bits);
    picture.pixels.assign(first, first + static_cast<size_t>(client.right) * client.bottom);
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return picture;
}

// "" when the pictures are equal; otherwise what differs, for the failure message.
std::string Difference(const Picture &window, const Picture &preview)
{
    if (window.width != preview.width || window.height != preview.height)
        return "the client area is " + std::to_string(window.width) + " x " +
               std::to_string(window.height) + ", the preview " + std::to_string(preview.width) +
               " x " + std::to_string(preview.height);
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < window.pixels.size(); i++) {
        if ((window.pixels[i] ^ preview.pixels[i]) & 0xFFFFFF) {
            if (!differing++)
                first = i;
        }
    }
    if (!differing)
        return "";
    char text[160];
    wsprintfA(text, "%u pixels differ; the first at (%d, %d): window %06X, preview %06X",
              static_cast<unsigned>(differing), static_cast<int>(first % window.width),
              static_cast<int>(first / window.width),
              static_cast<unsigned>(window.pixels[first] & 0xFFFFFF),
              static_cast<unsigned>(preview.pixels[first] & 0xFFFFFF));
    return text;
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        disc = PrepareDisc(L"PREVIEWDISC");
    }

    void TearDown() override
    {
        EndAllLaunchers();
        CoUninitialize();
    }

    // Runs the checker on the disc as this user, with slot `hotKey` lit too
    // (0: none), and reads the pictures it wrote.
    void WritePreviews(int hotKey = 0, const std::wstring &options = L"")
    {
        TempDir folder;
        std::wstring arguments = options + L" --lang \"" + UserLanguageName() + L"\" --preview \"" +
                                 folder.Path() + L"\" ";
        if (hotKey)
            arguments += L"--hot " + std::to_wstring(hotKey) + L" ";
        std::string output;
        DWORD exitCode =
            RunCapturingOutput(BuildDir() + L"\\AUTORUN-CHECK.EXE", arguments + disc.root, &output);
        EXPECT_LT(exitCode, 2u) << output;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(folder.File(L"*.png").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search) << "no preview was written\n" << output;
        do {
            std::wstring name = found.cFileName;
            names.push_back(name);
            Picture picture = ReadPng(folder.File(name));
            ASSERT_FALSE(picture.pixels.empty()) << Utf8(name);
            if (name.find(L"-cmd") != std::wstring::npos)
                hotPreview = picture;
            else
                preview = picture;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }

    HWND StartLauncher()
    {
        // The pointer stays off every slot: in a corner the centred window never reaches.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        launcher = Launch(disc.Path(L"AUTORUN.EXE"));
        return WaitForWindow(L"KT.SetupLauncher", launcher.Id());
    }

    // Waits until the client area shows `expected`; the failure says what differs.
    void ExpectWindowShows(HWND window, const Picture &expected)
    {
        std::string difference;
        bool same = WaitFor([&] {
            difference = Difference(CaptureClientArea(window), expected);
            return difference.empty();
        });
        EXPECT_TRUE(same) << difference;
    }

    Disc disc;
    Process launcher;
    Picture preview, hotPreview;
    std::vector<std::wstring> names;
};

TEST_F(Preview, SampleDiscLooksAsTheLauncherPaintsIt)
{
    CopyFolder(BuildDir() + L"\\sample-disc", disc.root.substr(0, 2));
    WritePreviews(1);
    HWND window = StartLauncher();
    ASSERT_TRUE(window);
    ExpectWindowShows(window, preview);

    // cmd01's button is 64 x 64 at (44, 78).
    MovePointerTo(window, 44 + 32, 78 + 32);
    ExpectWindowShows(window, hotPreview);
}

// The built-in background with its margins, one- and two-line labels with
// their shadows, images with and without a colour key, in both label fonts.
TEST_F(Preview, BuiltInBackgroundLooksAsTheLauncherPaintsIt)
{
    WriteBitmapFile(disc.Path(L"b.bmp"), 48, 32,
                    [](int x, int y) { return (x + y) % 7 ? RGB(0, 160, 40) : RGB(255, 0, 255); });
    WriteBitmapFile(disc.Path(L"h.bmp"), 48, 32, [](int x, int) { return RGB(0, 4 * x, 230); });
    for (const wchar_t *smallFont : {L"0", L"1"}) {
        SCOPED_TRACE(Utf8(smallFont));
        WriteTextFile(disc.Path(L"AUTORUN.INI"),
                      L"[Setup]\r\nDefaultLang=English\r\nUseSmallFont=" + std::wstring(smallFont) +
                          L"\r\nBkgColor=20,40,90\r\nHiColor=255,220,0\r\nLoColor=230,230,240\r\n"
                          L"[Languages]\r\nEnglish=1\r\n"
                          L"[Setup_CommandDefines]\r\ncmd01=CMD_EXIT\r\ncmd02=CMD_EXIT\r\n"
                          L"[SetupStr_English]\r\nTitle=Preview\r\ncmd01=Leave now,100,60\r\n"
                          L"cmd02=Two\\nlines here,100,370\r\n"
                          L"[SetupBtn_English]\r\ncmd01=b.bmp,h.bmp,40,50,48,32,255,0,255\r\n"
                          L"cmd02=b.bmp,h.bmp,40,360,48,32\r\n");
        WritePreviews();
        HWND window = StartLauncher();
        ASSERT_TRUE(window);
        ExpectWindowShows(window, preview);
        EndAllLaunchers();
    }
}

// Wine never reports high contrast, so the launcher cannot be shown in it
// here; the previews are painted by the same code the unit tests check.
TEST_F(Preview, HighContrastPreviewsAreInTheSystemColoursUnderNamesOfTheirOwn)
{
    CopyFolder(BuildDir() + L"\\sample-disc", disc.root.substr(0, 2));
    WritePreviews(1, L"--high-contrast");
    ASSERT_EQ(2u, names.size());
    for (const std::wstring &name : names)
        EXPECT_NE(std::wstring::npos, name.find(L"-contrast.png")) << Utf8(name);
    auto count = [](const Picture &picture, int index) {
        COLORREF c = GetSysColor(index);
        DWORD pixel = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        size_t n = 0;
        for (DWORD p : picture.pixels)
            n += (p & 0xFFFFFF) == pixel;
        return n;
    };
    EXPECT_GT(count(preview, COLOR_WINDOW), preview.pixels.size() / 2) << "no background picture";
    EXPECT_EQ(0u, count(preview, COLOR_HIGHLIGHT));
    EXPECT_GT(count(hotPreview, COLOR_HIGHLIGHT), 100u) << "the lit label stands on the highlight";
}

} // namespace
