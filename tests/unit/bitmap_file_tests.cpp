// BMP loading: the corpus of good, odd and corrupt files, and files crafted to
// lie about their sizes. Images are handed over in a buffer that ends right at
// an inaccessible page, so a read past the file's bytes crashes the test.
#include "config/bitmap_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Bytes placed at the very end of committed memory.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string &bytes)
    {
        const size_t page = 4096;
        size_t span = (bytes.size() + page - 1) / page * page + page;
        base = static_cast<BYTE *>(
            VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base + span, page, PAGE_NOACCESS, &old);
        data = base + span - bytes.size();
        memcpy(data, bytes.data(), bytes.size());
        size = static_cast<DWORD>(bytes.size());
    }
    ~GuardedBytes() { VirtualFree(base, 0, MEM_RELEASE); }
    BYTE *data;
    DWORD size;

private:
    BYTE *base;
};

void Put32(std::string &bytes, size_t offset, DWORD value)
{
    for (int i = 0; i < 4; i++)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put16(std::string &bytes, size_t offset, WORD value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

// A BMP with an info header; pixels and palette filled with a pattern.
std::string MakeBmp(int width, int height, int bitCount, DWORD compression = BI_RGB,
                    DWORD colorsUsed = 0)
{
    DWORD entries = colorsUsed ? colorsUsed : (bitCount <= 8 ? 1u << bitCount : 0);
    DWORD stride = ((width * bitCount + 31) / 32) * 4;
    DWORD bitsOffset = 14 + 40 + entries * 4;
    std::string bytes(bitsOffset + stride * (height < 0 ? -height : height), '\x33');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<DWORD>(bytes.size()));
    Put32(bytes, 6, 0);
    Put32(bytes, 10, bitsOffset);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, width);
    Put32(bytes, 22, height);
    Put16(bytes, 26, 1);
    Put16(bytes, 28, bitCount);
    Put32(bytes, 30, compression);
    Put32(bytes, 34, 0);
    Put32(bytes, 38, 2835);
    Put32(bytes, 42, 2835);
    Put32(bytes, 46, colorsUsed);
    Put32(bytes, 50, 0);
    return bytes;
}

class BitmapFiles : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir dir;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ~BitmapFiles() override { DestroyWindow(window); }

    HBITMAP FromBytes(const std::string &bytes)
    {
        GuardedBytes guarded(bytes);
        return BitmapFromFileImage(guarded.data, guarded.size, window);
    }

    bool Loads(const std::string &bytes)
    {
        HBITMAP bitmap = FromBytes(bytes);
        if (bitmap)
            DeleteObject(bitmap);
        return bitmap != nullptr;
    }
};

TEST_F(BitmapFiles, LoadsPixelsFromTheBitsOffsetInRowOrder)
{
    // Rows of blue, green, red triples padded to 8 bytes: red then green, then blue then white.
    const unsigned char pixels[] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    // Bottom-up, the first row stored is the bottom one; top-down, the top one.
    for (int height : {2, -2}) {
        SCOPED_TRACE(height);
        std::string bytes = MakeBmp(2, height, 24);
        bytes.replace(54, sizeof pixels, reinterpret_cast<const char *>(pixels), sizeof pixels);
        std::wstring path = dir.File(L"small.bmp");
        WriteBytes(path, bytes.data(), bytes.size());

        HBITMAP bitmap = LoadBitmapFile(path.c_str(), window);
        ASSERT_TRUE(bitmap);
        BITMAP info;
        GetObjectW(bitmap, sizeof info, &info);
        EXPECT_EQ(2, info.bmWidth);
        EXPECT_EQ(2, info.bmHeight);
        int first = height > 0 ? 1 : 0, second = 1 - first;
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(memory, bitmap);
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(memory, 0, first));
        EXPECT_EQ(RGB(0, 255, 0), GetPixel(memory, 1, first));
        EXPECT_EQ(RGB(0, 0, 255), GetPixel(memory, 0, second));
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(memory, 1, second));
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
}

TEST_F(BitmapFiles, MissingEmptyAndLockedFilesGiveNull)
{
    EXPECT_FALSE(LoadBitmapFile(dir.File(L"none.bmp").c_str(), window));

    WriteBytes(dir.File(L"empty.bmp"), "", 0);
    EXPECT_FALSE(LoadBitmapFile(dir.File(L"empty.bmp").c_str(), window));

    std::string bytes = MakeBmp(4, 4, 24);
    std::wstring path = dir.File(L"locked.bmp");
    WriteBytes(path, bytes.data(), bytes.size());
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(LoadBitmapFile(path.c_str(), window)) << "opened without sharing";
    CloseHandle(holder);
    HBITMAP bitmap = LoadBitmapFile(path.c_str(), window);
    EXPECT_TRUE(bitmap);
    DeleteObject(bitmap);

    // The author's tools share the file with an editor that writes it, and
    // never keep the editor from saving.
    launcher.sharedReads = 1;
    HANDLE editor = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, editor) << GetLastError();
    bitmap = LoadBitmapFile(path.c_str(), window);
    EXPECT_TRUE(bitmap) << "opened with every sharing";
    DeleteObject(bitmap);
    CloseHandle(editor);
}

TEST_F(BitmapFiles, ImagesThatLieAboutTheirSizesAreRefused)
{
    std::string good = MakeBmp(4, 2, 24);
    ASSERT_TRUE(Loads(good));

    struct Case {
        const char *what;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"file header only", good.substr(0, 14)});
    cases.push_back({"info header cut", good.substr(0, 30)});
    cases.push_back({"pixels cut by one byte", good.substr(0, good.size() - 1)});
    std::string offsetPast = good;
    Put32(offsetPast, 10, static_cast<DWORD>(good.size()) + 8);
    cases.push_back({"bits offset beyond the end", offsetPast});
    std::string offsetWraps = good;
    Put32(offsetWraps, 10, 0xFFFFFFF0u);
    cases.push_back({"bits offset that wraps", offsetWraps});
    std::string hugeHeader = good;
    Put32(hugeHeader, 14, 0x7FFFFFFFu);
    cases.push_back({"huge header size", hugeHeader});
    std::string oddHeader = good;
    Put32(oddHeader, 14, 41);
    cases.push_back({"unknown header size", oddHeader});
    std::string manyColours = MakeBmp(4, 2, 8);
    Put32(manyColours, 46, 0x40000001u);
    cases.push_back({"colour count whose size wraps 32 bits", manyColours});
    std::string paletteBeyond = MakeBmp(4, 2, 8);
    Put32(paletteBeyond, 46, 300);
    cases.push_back({"colour table beyond the end", paletteBeyond});
    std::string overflow = MakeBmp(4, 2, 24);
    Put32(overflow, 18, 70000);
    Put32(overflow, 22, 70000);
    cases.push_back({"width times height beyond 32 bits", overflow});
    std::string wide = MakeBmp(4, 2, 32);
    Put32(wide, 18, 0x7FFFFFFF);
    cases.push_back({"width near the integer limit", wide});
    std::string topDownHuge = MakeBmp(4, 2, 24);
    Put32(topDownHuge, 22, 0x80000000u);
    cases.push_back({"most negative height", topDownHuge});
    std::string rleNoSize = MakeBmp(4, 2, 8, BI_RLE8);
    cases.push_back({"run-length data without a size", rleNoSize});
    std::string rleHuge = MakeBmp(4, 2, 8, BI_RLE8);
    Put32(rleHuge, 34, 2);
    Put32(rleHuge, 18, 1 << 20);
    Put32(rleHuge, 22, 1 << 20);
    cases.push_back({"run-length data of 2^20 x 2^20 pixels in a few bytes", rleHuge});
    Put32(rleHuge, 18, 8192);
    Put32(rleHuge, 22, 8193);
    cases.push_back({"run-length data decoding to just over 256 MiB", rleHuge});
    std::string rleBeyond = MakeBmp(4, 2, 8, BI_RLE8);
    Put32(rleBeyond, 34, 5000);
    cases.push_back({"run-length size beyond the end", rleBeyond});
    std::string masksCut = MakeBmp(4, 2, 32, BI_BITFIELDS);
    masksCut.resize(14 + 40 + 8);
    Put32(masksCut, 10, 14 + 40);
    cases.push_back({"bit-field masks cut", masksCut});
    std::string badDepth = MakeBmp(4, 2, 24);
    Put16(badDepth, 28, 7);
    cases.push_back({"bit depth 7", badDepth});

    for (const Case &c : cases)
        EXPECT_FALSE(Loads(c.bytes)) << c.what;
}

std::vector<std::wstring> CorpusFiles(const wchar_t *folder)
{
    std::vector<std::wstring> files;
    std::wstring pattern = BmpSuiteDir() + L"\\" + folder + L"\\*.bmp";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        files.push_back(BmpSuiteDir() + L"\\" + folder + L"\\" + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

TEST_F(BitmapFiles, EveryGoodCorpusFileLoads)
{
    std::vector<std::wstring> files = CorpusFiles(L"g");
    if (files.empty())
        GTEST_SKIP() << "BMP corpus not found at " << testing::PrintToString(BmpSuiteDir());
    for (const std::wstring &file : files) {
        HBITMAP bitmap = FromBytes(ReadBytes(file));
        EXPECT_TRUE(bitmap) << testing::PrintToString(file);
        if (bitmap)
            DeleteObject(bitmap);
    }
}

TEST_F(BitmapFiles, OddAndCorruptCorpusFilesStayInsideTheirBytes)
{
    std::vector<std::wstring> files = CorpusFiles(L"q");
    std::vector<std::wstring> bad = CorpusFiles(L"b");
    files.insert(files.end(), bad.begin(), bad.end());
    if (files.empty())
        GTEST_SKIP() << "BMP corpus not found";
    int loaded = 0;
    for (const std::wstring &file : files) {
        // A read past the end would fault on the guard page and end the program.
        loaded += Loads(ReadBytes(file));
        HBITMAP fromDisk = LoadBitmapFile(file.c_str(), window);
        if (fromDisk)
            DeleteObject(fromDisk);
    }
    RecordProperty("loaded", loaded);
}

} // namespace
