// The comma, number and colour rules that every reader of the configuration shares.
#include "config/config_values.h"
#include "state/bounded_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Split(const wchar_t *value)
{
    std::wstring text = value;
    CommaTokenizer tokens = StartTokens(&text[0]);
    std::vector<std::wstring> fields;
    while (const wchar_t *token = NextToken(&tokens))
        fields.push_back(token);
    return fields;
}

TEST(CommaTokenizer, EmptyFieldsAreSkippedAndBlanksKept)
{
    using Fields = std::vector<std::wstring>;
    EXPECT_EQ((Fields{L"a", L"b", L"c"}), Split(L"a,b,c"));
    EXPECT_EQ((Fields{L"10", L"20"}), Split(L",10,20"));
    EXPECT_EQ((Fields{L"n.bmp", L"10", L"20"}), Split(L"n.bmp,,10,,,20,"));
    EXPECT_EQ((Fields{L"CMD_EXE ", L" path"}), Split(L"CMD_EXE , path"));
    EXPECT_EQ(Fields{}, Split(L",,,"));
    EXPECT_EQ(Fields{}, Split(L""));
    EXPECT_EQ((Fields{L" "}), Split(L" "));
}

TEST(CommaTokenizer, KeepsReturningNothingAfterTheEnd)
{
    wchar_t text[] = L"x";
    CommaTokenizer tokens = StartTokens(text);
    EXPECT_STREQ(L"x", NextToken(&tokens));
    EXPECT_EQ(nullptr, NextToken(&tokens));
    EXPECT_EQ(nullptr, NextToken(&tokens));
}

TEST(ReadNumber, DecimalWithBlanksAndSignUpToTheFirstNonDigit)
{
    const struct {
        const wchar_t *text;
        int value;
    } cases[] = {
        {L"42", 42},
        {L"  42", 42},
        {L"\t-12px", -12},
        {L"+7", 7},
        {L"x1", 0},
        {L"", 0},
        {L"-", 0},
        {L"1 2", 1},
        {L"0x10", 0},
        {L"007", 7},
        // Digit runs past the range of int wrap around instead of being undefined.
        {L"4294967297", 1},
        {L"2147483648", INT_MIN},
        {L"-2147483648", INT_MIN},
        {L"99999999999999999999", 1661992959},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.value, ReadNumber(c.text)) << c.text;
    EXPECT_EQ(0, ReadNumber(nullptr));
}

TEST(ReadColorTokens, LowEightBitsOfEachComponentMissingOnesBlack)
{
    const struct {
        const wchar_t *text;
        COLORREF color;
    } cases[] = {
        {L"255,0,255", RGB(255, 0, 255)}, {L"300, 0, -1", RGB(44, 0, 255)}, {L"256,0,0", 0},
        {L"0,,255", RGB(0, 255, 0)},      {L"12", RGB(12, 0, 0)},           {L"", 0},
        {L"red,green,blue", 0},           {L"1,2,3,4", RGB(1, 2, 3)},
    };
    for (const auto &c : cases) {
        std::wstring text = c.text;
        CommaTokenizer tokens = StartTokens(&text[0]);
        EXPECT_EQ(c.color, ReadColorTokens(&tokens)) << c.text;
    }
}

TEST(JoinText, RefusesWhatWouldNotFit)
{
    wchar_t out[6] = L"guard";
    EXPECT_EQ(1, JoinText(out, 6, L"D:\\", L"ab"));
    EXPECT_STREQ(L"D:\\ab", out);
    EXPECT_EQ(0, JoinText(out, 6, L"D:\\", L"abc"));
    EXPECT_STREQ(L"", out);
    EXPECT_EQ(1, JoinText3(out, 6, L"a", nullptr, L"b"));
    EXPECT_STREQ(L"ab", out);

    wchar_t small[4];
    CopyText(small, 4, L"abcdef");
    EXPECT_STREQ(L"abc", small);
}

TEST(ReadConfigString, PresentButEmptyCountsAsMissing)
{
    CleanLauncher clean;
    TempDir dir;
    WriteTextFile(dir.File(L"a.ini"), L"[S]\r\nEmpty=\r\nFull=value\r\n");
    SetText(launcher.iniPath, dir.File(L"a.ini"));
    wchar_t buffer[TEXT_CAPACITY] = L"stale";
    EXPECT_EQ(0u, ReadConfigString(L"S", L"Empty", buffer, TEXT_CAPACITY));
    EXPECT_STREQ(L"", buffer);
    EXPECT_EQ(5u, ReadConfigString(L"S", L"Full", buffer, TEXT_CAPACITY));
    EXPECT_EQ(0u, ReadConfigString(L"S", L"Absent", buffer, TEXT_CAPACITY));
    EXPECT_EQ(0u, ReadConfigString(L"", L"Full", buffer, TEXT_CAPACITY));
    launcher.iniPath[0] = 0;
    EXPECT_EQ(0u, ReadConfigString(L"S", L"Full", buffer, TEXT_CAPACITY)) << "no file in use";
}

// Whatever a section holds, a key read through its key list gives exactly what
// a read of that key alone gives.
TEST(ReadListedValue, NeverHidesAKeyThatTheReaderFinds)
{
    std::wstring manyKeys;
    for (int i = 0; i < 300; i++)
        manyKeys += L"other_key_number_" + std::to_wstring(i) + L"=x\r\n";
    const struct {
        const wchar_t *what;
        std::wstring section;
        bool listUsed;
    } cases[] = {
        {L"plain", L"cmd01=a\r\ncmd03=b\r\ncmd03_sound=s.wav\r\n", true},
        {L"blanks, tabs and case", L" CMD05 =c\r\n\tCmd06\t=d\r\ncmd07 = e\r\n", true},
        {L"empty, comment, no equals", L"cmd08=\r\n;cmd09=f\r\ncmd10\r\n", true},
        {L"repeated keys", L"cmd11=first\r\ncmd11=second\r\n", true},
        {L"quoted names", L"\"cmd12\"=g\r\n'cmd13'=h\r\n", false},
        {L"letters beyond ASCII", L"\xFF43md14=i\r\ncmd15=j\r\n", false},
        {L"a list too long to hold", manyKeys + L"cmd16=k\r\n", false},
        {L"the same section twice", L"cmd17=l\r\n[Section]\r\ncmd18=m\r\n", true},
        {L"no section", L"", true},
    };
    TempDir dir;
    for (const auto &c : cases) {
        CleanLauncher clean;
        WriteTextFile(dir.File(L"k.ini"), L"[Other]\r\ncmd02=z\r\n[Section]\r\n" + c.section);
        SetText(launcher.iniPath, dir.File(L"k.ini"));
        SectionKeys keys;
        ReadSectionKeys(c.section.empty() ? L"Missing" : L"Section", &keys);
        EXPECT_EQ(c.listUsed, keys.usable != 0) << c.what;
        for (int i = 1; i <= 30; i++) {
            wchar_t key[16];
            for (const wchar_t *format : {L"cmd%02d", L"cmd%02d_sound"}) {
                wsprintfW(key, format, i);
                wchar_t direct[64], listed[64];
                DWORD directLength = ReadConfigString(keys.section, key, direct, 64);
                DWORD listedLength = ReadListedValue(keys, key, listed, 64);
                EXPECT_EQ(directLength, listedLength) << c.what << " " << key;
                EXPECT_STREQ(direct, listed) << c.what;
            }
        }
    }
}

} // namespace
