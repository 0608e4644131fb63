// The previews of AUTORUN-CHECK.EXE against the real launcher: the same disc,
// the window's client area captured once painted, compared pixel by pixel
// with the PNG the checker wrote. And --try, the launcher's window in the
// checker, against the previews as the disc's files change.
#include "e2e_support.h"
#include "state/launcher_state.h"

#include <gtest/gtest.h>

#include <wincodec.h>

#include <iostream>
#include <map>
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

// Waits until the client area shows `expected`; the failure says what differs.
void ExpectWindowShows(HWND window, const Picture &expected, DWORD timeoutMs = 10000)
{
    std::string difference;
    bool same = WaitFor(
        [&] {
            difference = Difference(CaptureClientArea(window), expected);
            return difference.empty();
        },
        timeoutMs);
    EXPECT_TRUE(same) << difference;
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

// Run also at 120, 144 and 192 DPI, in prefixes of their own: the preview at
// the display's scale is what the launcher and try mode show there, lit
// button included.
TEST_F(Preview, SampleDiscAtTheDisplayScaleLooksAsTheLauncherPaintsIt)
{
    HDC screen = GetDC(nullptr);
    const int percent = MulDiv(GetDeviceCaps(screen, LOGPIXELSY), 100, 96);
    ReleaseDC(nullptr, screen);
    CopyFolder(BuildDir() + L"\\sample-disc", disc.root.substr(0, 2));
    WritePreviews(1, L"--scale " + std::to_wstring(percent));
    std::wstring scale = L"@" + std::to_wstring(percent) + L".png";
    for (const std::wstring &name : names)
        EXPECT_EQ(scale, name.substr(name.size() - scale.size())) << Utf8(name);
    HWND window = StartLauncher();
    ASSERT_TRUE(window);
    ExpectWindowShows(window, preview);
    MovePointerTo(window, MulDiv(76, percent, 100), MulDiv(110, percent, 100));
    ExpectWindowShows(window, hotPreview);
    EndAllLaunchers();

    // Try mode shows the launcher's own window at the display's scale, unstretched.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    TempDir scratch;
    Process trying = Launch(BuildDir() + L"\\AUTORUN-CHECK.EXE", {},
                            L"--try --lang \"" + UserLanguageName() + L"\" " + disc.root,
                            scratch.File(L"output.txt"));
    window = WaitForWindow(L"KT.AutorunTry", trying.Id());
    ASSERT_TRUE(window) << ReadBytes(scratch.File(L"output.txt"));
    ExpectWindowShows(window, preview);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, trying.WaitExit());
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

// Saves `bytes` as an editor does, trying again while the checker has the
// file open for a moment.
void Save(const std::wstring &path, const std::string &bytes)
{
    EXPECT_TRUE(WaitFor([&] {
        WriteBytes(path, bytes.data(), bytes.size());
        return ReadBytes(path) == bytes;
    })) << Utf8(path);
}

// The disc of the try test: a background of its own, an Exit button and two
// buttons that would start the recording program, one through the installer's
// worker.
void WriteTryConfiguration(const TempDir &disc, const std::wstring &title,
                           const std::wstring &label)
{
    std::wstring text =
        L"\xFEFF[Setup]\r\nDefaultLang=English\r\nBitmap=art\\back.bmp\r\nBkgColor=0,0,64\r\n"
        L"HiColor=255,255,0\r\nLoColor=255,255,255\r\n[Languages]\r\nEnglish=1\r\n"
        L"[Setup_CommandDefines]\r\ncmd01=CMD_EXE,tool.exe,/from-try\r\ncmd02=CMD_EXIT\r\n"
        L"cmd03=CMD_INSTALL,tool.exe,/install\r\n"
        L"[SetupStr_English]\r\nTitle=" +
        title + L"\r\ncmd01=" + label +
        L",90,40\r\ncmd02=Exit,90,110\r\ncmd03=Install,90,180\r\n[SetupBtn_English]\r\n"
        L"cmd01=b.bmp,h.bmp,30,30,48,32,255,0,255\r\ncmd02=b.bmp,h.bmp,30,100,48,32\r\n"
        L"cmd03=b.bmp,h.bmp,30,170,48,32\r\n";
    Save(disc.File(L"AUTORUN.INI"),
         std::string(reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t)));
}

void WriteTryBackground(const TempDir &disc, int width)
{
    TempDir scratch;
    WriteBitmapFile(scratch.File(L"back.bmp"), width, 240,
                    [](int x, int y) { return RGB(x % 256, y, 120); });
    Save(disc.File(L"art\\back.bmp"), ReadBytes(scratch.File(L"back.bmp")));
}

// The checker's preview of `folder` for English users.
Picture PreviewOf(const std::wstring &folder)
{
    TempDir previews;
    std::string output;
    DWORD exitCode = RunCapturingOutput(
        BuildDir() + L"\\AUTORUN-CHECK.EXE",
        L"--lang English --preview \"" + previews.Path() + L"\" \"" + folder + L"\"", &output);
    EXPECT_LT(exitCode, 2u) << output;
    return ReadPng(previews.File(L"English.png"));
}

// Each file in `folder` (and below, with `recurse`) with its size and time of last write.
std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> ListFiles(const std::wstring &folder,
                                                                  bool recurse)
{
    std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[name + L"\\"] = {0, 0};
            if (recurse) {
                for (const auto &inner : ListFiles(folder + L"\\" + name, true))
                    files[name + L"\\" + inner.first] = inner.second;
            }
            continue;
        }
        files[name] = {static_cast<ULONGLONG>(found.nFileSizeHigh) << 32 | found.nFileSizeLow,
                       static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32 |
                           found.ftLastWriteTime.dwLowDateTime};
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

std::wstring WindowsDirectory()
{
    wchar_t path[MAX_PATH];
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

// Waits until the checker in try mode has printed nothing for a while: it
// has read the disc as it now is.
bool WaitUntilQuiet(const std::wstring &output)
{
    std::string last = ReadBytes(output);
    DWORD since = GetTickCount();
    return WaitFor([&] {
        std::string now = ReadBytes(output);
        if (now != last) {
            last = now;
            since = GetTickCount();
        }
        return GetTickCount() - since >= 600;
    });
}

size_t CountOf(const std::string &text, const std::string &part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

class TryMode : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

void WriteTryDisc(const TempDir &disc)
{
    CreateDirectoryW(disc.File(L"art").c_str(), nullptr);
    WriteTryBackground(disc, 320);
    WriteBitmapFile(disc.File(L"b.bmp"), 48, 32,
                    [](int x, int y) { return (x + y) % 5 ? RGB(0, 160, 40) : RGB(255, 0, 255); });
    WriteBitmapFile(disc.File(L"h.bmp"), 48, 32, [](int x, int) { return RGB(0, 4 * x, 230); });
    CopyBuildFile(L"tools\\recorder.exe", disc.File(L"tool.exe"));
    WriteTryConfiguration(disc, L"First", L"Open the tool");
}

TEST_F(TryMode, ShowsTheDiscRunsNothingAndFollowsItsFiles)
{
    TempDir disc, scratch;
    WriteTryDisc(disc);
    Picture first = PreviewOf(disc.Path());
    auto namesBefore = ListFiles(disc.Path(), true);
    auto windowsBefore = ListFiles(WindowsDirectory(), false);

    // The pointer stays off every slot: in a corner the centred window never reaches.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    std::wstring record = scratch.File(L"record.txt"), output = scratch.File(L"output.txt");
    Process trying = Launch(BuildDir() + L"\\AUTORUN-CHECK.EXE", {{L"AUTORUN_RECORD", record}},
                            L"--try --lang English \"" + disc.Path() + L"\"", output);
    HWND window = WaitForWindow(L"KT.AutorunTry", trying.Id());
    ASSERT_TRUE(window) << ReadBytes(output);
    EXPECT_EQ(L"First", WindowText(window));
    EXPECT_FALSE(FindWindowW(L"KT.SetupLauncher", nullptr)) << "a launcher would not start";
    ExpectWindowShows(window, first);

    Click(window, RECT{30, 30, 78, 62});
    std::string opens =
        "cmd01: opens \"" + Utf8(disc.File(L"tool.exe")) + "\" with parameters \"/from-try\"\n";
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(output).find(opens) != std::string::npos; }))
        << opens << " in\n"
        << ReadBytes(output);
    // A screen reader's press prints what would run, as a click does.
    PostMessageW(window, LM_PRESS_SLOT, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return CountOf(ReadBytes(output), opens) == 2; }))
        << ReadBytes(output);
    // The installer's worker ends at once, or the Exit button at the end would be ignored.
    Click(window, RECT{30, 170, 78, 202});
    std::string runs = "cmd03: runs the command line [" + Utf8(disc.File(L"tool.exe")) +
                       " /install] and waits for it\n";
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(output).find(runs) != std::string::npos; }))
        << runs << " in\n"
        << ReadBytes(output);
    EXPECT_FALSE(WaitFor([&] { return FileExists(record); }, 2000)) << "a command ran";

    // Off every slot, so that nothing is lit in the pictures that follow.
    MovePointerTo(window, 250, 200);
    WriteTryConfiguration(disc, L"Second", L"Changed");
    DWORD saved = GetTickCount();
    EXPECT_TRUE(WaitFor(
        [&] {
            return WindowText(window) == L"Second" &&
                   !Difference(CaptureClientArea(window), first).empty();
        },
        3000))
        << ReadBytes(output);
    std::cout << "caption and pixels changed " << GetTickCount() - saved << " ms after the save\n";
    EXPECT_TRUE(WaitUntilQuiet(output)) << "it keeps reading the disc again";
    ExpectWindowShows(window, PreviewOf(disc.Path()));

    // Caught half-written, the file shows as the launcher reads it; a wider
    // background in a sub-folder is seen too; the next save repairs the file.
    std::string whole = ReadBytes(disc.File(L"AUTORUN.INI"));
    size_t readsBefore = CountOf(ReadBytes(output), "checking the disc again");
    Save(disc.File(L"AUTORUN.INI"), whole.substr(0, whole.size() / 2 + 1));
    EXPECT_TRUE(WaitFor(
        [&] { return CountOf(ReadBytes(output), "checking the disc again") > readsBefore; }, 3000));
    EXPECT_TRUE(trying.Running());
    WriteTryBackground(disc, 360);
    EXPECT_TRUE(WaitFor(
        [&] {
            RECT client = {};
            GetClientRect(window, &client);
            return client.right == 360;
        },
        3000))
        << ReadBytes(output);
    WriteTryConfiguration(disc, L"Third", L"Changed");
    EXPECT_TRUE(WaitFor([&] { return WindowText(window) == L"Third"; }, 3000)) << ReadBytes(output);
    EXPECT_TRUE(WaitUntilQuiet(output)) << "it keeps reading the disc again";
    ExpectWindowShows(window, PreviewOf(disc.Path()));
    auto filesAsSaved = ListFiles(disc.Path(), true);

    Click(window, RECT{30, 100, 78, 132});
    EXPECT_EQ(0u, trying.WaitExit());
    EXPECT_NE(std::string::npos, ReadBytes(output).find("cmd02: closes the launcher\n"));
    EXPECT_FALSE(FileExists(record));
    auto files = ListFiles(disc.Path(), true);
    EXPECT_EQ(filesAsSaved, files) << "a file of the disc was written";
    EXPECT_EQ(namesBefore.size(), files.size()) << "a file was left in the disc's folder";
    EXPECT_EQ(windowsBefore, ListFiles(WindowsDirectory(), false))
        << "a file was left in the Windows directory";
}

// Editors save while try mode watches: a picture written in place, sharing
// reads only, and AUTORUN.INI written under another name and renamed over the
// original. Try mode never makes a save fail, and follows the folder when it
// is renamed away and back.
TEST_F(TryMode, NeverMakesAnEditorsSaveFail)
{
    TempDir disc, scratch, first, second;
    WriteTryDisc(disc);
    WriteTryConfiguration(first, L"Storm A", L"A");
    WriteTryConfiguration(second, L"Storm B", L"B");
    const std::string inis[] = {ReadBytes(first.File(L"AUTORUN.INI")),
                                ReadBytes(second.File(L"AUTORUN.INI"))};
    const std::string pictures[] = {ReadBytes(disc.File(L"b.bmp")), ReadBytes(disc.File(L"h.bmp"))};
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    std::wstring output = scratch.File(L"output.txt");
    Process trying = Launch(BuildDir() + L"\\AUTORUN-CHECK.EXE", {},
                            L"--try --lang English \"" + disc.Path() + L"\"", output);
    HWND window = WaitForWindow(L"KT.AutorunTry", trying.Id());
    ASSERT_TRUE(window) << ReadBytes(output);

    std::wstring ini = disc.File(L"AUTORUN.INI"), saving = disc.File(L"AUTORUN.INI.new");
    for (int i = 0; i < 150; i++) {
        const std::string &picture = pictures[i % 2];
        HANDLE file = CreateFileW(disc.File(L"b.bmp").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        BOOL wrote = file != INVALID_HANDLE_VALUE &&
                     WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &written,
                               nullptr);
        DWORD error = GetLastError();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        EXPECT_TRUE(wrote && written == picture.size()) << "picture " << i << ": error " << error;
        WriteBytes(saving, inis[i % 2].data(), inis[i % 2].size());
        EXPECT_TRUE(MoveFileExW(saving.c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING))
            << "save " << i << ": error " << GetLastError();
        // Now and then the tree settles and is read while the saves go on.
        Sleep(i % 5 == 4 ? 450 : 100);
    }
    EXPECT_TRUE(WaitUntilQuiet(output)) << "it keeps reading the disc again";
    EXPECT_LT(10u, CountOf(ReadBytes(output), "checking the disc again")) << ReadBytes(output);
    EXPECT_EQ(L"Storm B", WindowText(window));
    ExpectWindowShows(window, PreviewOf(disc.Path()));

    std::wstring away = disc.Path() + L"-away";
    ASSERT_TRUE(MoveFileW(disc.Path().c_str(), away.c_str())) << "error " << GetLastError();
    EXPECT_TRUE(WaitFor([&] { return CountOf(ReadBytes(output), "is gone") == 1; }))
        << ReadBytes(output);
    Sleep(1000);
    EXPECT_TRUE(trying.Running());
    ASSERT_TRUE(MoveFileW(away.c_str(), disc.Path().c_str())) << "error " << GetLastError();
    WriteTryConfiguration(disc, L"Back", L"Again");
    EXPECT_TRUE(WaitFor([&] { return WindowText(window) == L"Back"; })) << ReadBytes(output);
    EXPECT_EQ(1u, CountOf(ReadBytes(output), "is gone"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, trying.WaitExit());
}

} // namespace
