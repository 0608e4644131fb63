// Loading the 30 slots from a configuration file with the real profile reader.
#include "config/command_table.h"
#include "config/layout.h"
#include "test_support.h"
#include "window/paint.h"
#include "window/window.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

TEST(ParseCommandKind, WholeKeywordsInAnyAsciiCaseElseBrowse)
{
    const struct {
        const wchar_t *text;
        CommandKind kind;
    } cases[] = {
        {L"CMD_BROWSE", CMD_BROWSE},
        {L"CMD_EXE", CMD_EXE},
        {L"cmd_exe", CMD_EXE},
        {L"Cmd_Exit", CMD_EXIT},
        {L"CMD_INSTALL", CMD_INSTALL},
        {L"cmd_uninst", CMD_UNINST},
        {L"CMD_WEB", CMD_WEB},
        {L"CMD_EXE ", CMD_BROWSE},
        {L" CMD_EXE", CMD_BROWSE},
        {L"CMD_EXEC", CMD_BROWSE},
        {L"CMD_EX", CMD_BROWSE},
        {L"", CMD_BROWSE},
        {nullptr, CMD_BROWSE},
        // Only A to Z fold: a dotless i or a fullwidth letter is another word.
        {L"cmd_\u0131nstall", CMD_BROWSE},
        {L"\uFF43md_exe", CMD_BROWSE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.kind, ParseCommandKind(c.text)) << (c.text ? c.text : L"(null)");
}

TEST(PlaceTwoLineLabel, MovesUpHalfALineRoundingTowardZero)
{
    RECT rect = {100, 50, 0, 0};
    PlaceTwoLineLabel(&rect, 40, 16);
    EXPECT_EQ(42, rect.top);
    EXPECT_EQ(74, rect.bottom);
    EXPECT_EQ(140, rect.right);

    rect = {100, 50, 0, 0};
    PlaceTwoLineLabel(&rect, 40, 13);
    EXPECT_EQ(44, rect.top);
    EXPECT_EQ(70, rect.bottom);
}

TEST(MakeSpokenLabel, JoinsTheTwoLinesWithOneBlankKeepsLaterMarkersAndTrims)
{
    const struct {
        const wchar_t *label, *spoken;
    } cases[] = {
        {L"Install\\nNow", L"Install Now"},
        {L"One line", L"One line"},
        {L"A\\nB\\nC", L"A B\\nC"},
        {L"\\nTail", L"Tail"},
        {L"Head\\n", L"Head"},
        {L"\\n", L""},
        {L"", L""},
        {L"Back\\", L"Back\\"},
        {L"   ", L""},
        {L" Go \\n\t", L"Go"},
    };
    for (const auto &c : cases) {
        wchar_t spoken[TEXT_CAPACITY];
        MakeSpokenLabel(c.label, spoken);
        EXPECT_STREQ(c.spoken, spoken) << c.label;
    }
}

TEST(ShownPlaces, CountTheShownSlotsInSlotOrderFromOne)
{
    CleanLauncher clean;
    ResetCommandTable();
    for (int i : {1, 4, 29})
        CommandTable[i].defined = 1;
    const struct {
        int index, place;
    } cases[] = {{1, 1}, {4, 2}, {29, 3}, {0, 0}, {2, 0}, {-1, 0}, {30, 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.place, FindShownPlace(c.index)) << c.index;
        if (c.place) {
            EXPECT_EQ(c.index, FindShownSlot(c.place)) << c.place;
        }
    }
    for (int place : {0, 4, -1, INT_MAX})
        EXPECT_EQ(-1, FindShownSlot(place)) << place;
    ResetCommandTable();
}

COLORREF Grey(int, int)
{
    return RGB(64, 64, 64);
}

class CommandTableLoad : public ::testing::Test {
protected:
    CleanLauncher clean;
    TempDir disc;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);

    void SetUp() override
    {
        ClearCommandTable();
        for (CommandSlot &slot : CommandTable) {
            memset(&slot.labelRect, 0, sizeof slot.labelRect);
            memset(&slot.buttonRect, 0, sizeof slot.buttonRect);
            slot.normalTransparent = 0;
            slot.sound = L"";
            slot.soundFlags = 0;
            slot.soundPath[0] = 0;
        }
        launcher.mainWindow = window;
        SetText(launcher.sourceRoot, disc.Path() + L"\\");
        lstrcpyW(launcher.activeSection, L"Setup");
        lstrcpyW(launcher.sectionPrefix, L"Setup");
        lstrcpyW(launcher.language, L"English");
        WriteBitmapFile(disc.File(L"n.bmp"), 8, 4, Grey);
        WriteBitmapFile(disc.File(L"h.bmp"), 8, 4, Grey);
    }

    void TearDown() override
    {
        ClearCommandTable();
        DestroyWindow(window);
    }

    void Load(const std::wstring &definitions, const std::wstring &labels,
              const std::wstring &buttons)
    {
        WriteTextFile(disc.File(L"w.ini"), L"[Setup_CommandDefines]\r\n" + definitions +
                                               L"[SetupStr_English]\r\n" + labels +
                                               L"[SetupBtn_English]\r\n" + buttons);
        SetText(launcher.iniPath, disc.File(L"w.ini"));
        LoadCommandTable();
    }

    SIZE Extent(const wchar_t *text)
    {
        HDC dc = GetDC(window);
        SIZE size = {};
        GetTextExtentPointW(dc, text, lstrlenW(text), &size);
        ReleaseDC(window, dc);
        return size;
    }

    const void *ClickSound()
    {
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(201), MAKEINTRESOURCEW(30));
        return LockResource(LoadResource(nullptr, found));
    }
};

TEST_F(CommandTableLoad, EdgesNearTheLimitsOfIntStayThereAndPaintSafely)
{
    Load(L"cmd01=CMD_EXIT\r\ncmd02=CMD_EXIT\r\ncmd03=CMD_EXIT\r\n",
         L"cmd01=Label,2147483647,2147483647\r\ncmd02=Two\\nlines,0,2147483647\r\n"
         L"cmd03=Two\\nlines,-2147483648,-2147483648\r\n",
         L"cmd01=n.bmp,h.bmp,2147483600,-2147483600,100,-100\r\n");
    int cy = Extent(L"lines").cy;
    const RECT &button = CommandTable[0].buttonRect;
    EXPECT_EQ(INT_MAX, button.right);
    EXPECT_EQ(INT_MIN, button.bottom);
    EXPECT_EQ(INT_MAX, CommandTable[0].labelRect.right);
    EXPECT_EQ(INT_MAX, CommandTable[0].labelRect.bottom);
    EXPECT_EQ(INT_MAX - cy / 2, CommandTable[1].labelRect.top);
    EXPECT_EQ(INT_MAX, CommandTable[1].labelRect.bottom);
    EXPECT_EQ(INT_MIN, CommandTable[2].labelRect.top);
    EXPECT_EQ(INT_MIN + 2 * cy, CommandTable[2].labelRect.bottom);

    // Shadows and second lines lie one pixel and one line further out.
    HDC dc = CreateCompatibleDC(nullptr);
    PaintLauncher(dc);
    DeleteDC(dc);
    EXPECT_EQ(3, launcher.visibleCount);
}

TEST_F(CommandTableLoad, DefinitionsGiveKindPathAndArguments)
{
    lstrcpyW(CommandTable[2].path, L"kept");
    lstrcpyW(CommandTable[2].arguments, L"kept too");
    Load(L"cmd01=CMD_INSTALL,setup\\setup.exe,/lang English,ignored\r\n"
         L"cmd02=cmd_web,http://example.invalid/\r\n"
         L"cmd03=,,,\r\n"
         L"cmd04=CMD_EXE ,readme.txt\r\n"
         L"cmd31=CMD_EXIT\r\n",
         L"", L"");
    EXPECT_EQ(CMD_INSTALL, CommandTable[0].kind);
    EXPECT_STREQ(L"setup\\setup.exe", CommandTable[0].path);
    EXPECT_STREQ(L"/lang English", CommandTable[0].arguments);
    EXPECT_EQ(CMD_WEB, CommandTable[1].kind);
    EXPECT_STREQ(L"http://example.invalid/", CommandTable[1].path);
    EXPECT_EQ(CMD_BROWSE, CommandTable[2].kind);
    EXPECT_STREQ(L"kept", CommandTable[2].path);
    EXPECT_STREQ(L"kept too", CommandTable[2].arguments);
    EXPECT_EQ(CMD_BROWSE, CommandTable[3].kind);
    for (const CommandSlot &slot : CommandTable)
        EXPECT_EQ(0, slot.defined) << "no label or button entry";
}

TEST_F(CommandTableLoad, EmptyFieldsAreSkippedAndLaterFieldsMoveUp)
{
    Load(L"cmd01=CMD_EXE\r\ncmd02=CMD_EXE\r\n", L"cmd01=,10,20\r\n",
         L"cmd02=n.bmp,,10,20,64,32\r\n");
    EXPECT_STREQ(L"10", CommandTable[0].label);
    EXPECT_EQ(20, CommandTable[0].labelRect.left);
    EXPECT_EQ(0, CommandTable[0].labelRect.top);

    const CommandSlot &slot = CommandTable[1];
    EXPECT_STREQ(L"n.bmp", slot.normalImagePath);
    EXPECT_STREQ(L"10", slot.hotImagePath);
    EXPECT_EQ(20, slot.buttonRect.left);
    EXPECT_EQ(64, slot.buttonRect.top);
    EXPECT_EQ(32, slot.width);
    EXPECT_EQ(0, slot.height);
    EXPECT_EQ(0u, slot.normalTransparent);
    EXPECT_TRUE(slot.normalImage);
    EXPECT_FALSE(slot.hotImage);
}

TEST_F(CommandTableLoad, ButtonEntryGivesRectangleColourKeyAndBothBitmaps)
{
    Load(L"cmd01=CMD_EXE\r\ncmd02=CMD_EXE\r\ncmd03=CMD_EXE\r\ncmd04=CMD_EXE\r\n", L"",
         L"cmd01=n.bmp,h.bmp,60,72,48,32,255,0,255\r\n"
         L"cmd02=n.bmp,h.bmp,0,0,8,4,256,0,0\r\n"
         L"cmd03=n.bmp,h.bmp,0,0,8,4,300, 0 ,-1\r\n"
         L"cmd04=missing.bmp\r\n");
    const CommandSlot &first = CommandTable[0];
    EXPECT_EQ(1, first.defined);
    EXPECT_EQ((RECT{60, 72, 108, 104}).right, first.buttonRect.right);
    EXPECT_EQ(104, first.buttonRect.bottom);
    EXPECT_EQ(RGB(255, 0, 255), first.normalTransparent);
    EXPECT_TRUE(first.normalImage);
    EXPECT_TRUE(first.hotImage);
    EXPECT_EQ(0u, CommandTable[1].normalTransparent) << "256 keeps only its low 8 bits";
    EXPECT_EQ(RGB(44, 0, 255), CommandTable[2].normalTransparent);
    EXPECT_EQ(1, CommandTable[3].defined) << "a missing bitmap leaves the slot defined";
    EXPECT_FALSE(CommandTable[3].normalImage);
    EXPECT_FALSE(CommandTable[3].hotImage);
}

TEST_F(CommandTableLoad, SlotWithoutDefinitionIsNeverDefined)
{
    Load(L"cmd05=\r\n", L"cmd05=Hidden,1,2\r\n", L"cmd05=n.bmp,h.bmp,0,0,8,4\r\n");
    EXPECT_EQ(0, CommandTable[4].defined);
    EXPECT_STREQ(L"", CommandTable[4].label);
    EXPECT_FALSE(CommandTable[4].normalImage);
}

TEST_F(CommandTableLoad, OneAndTwoLineLabelsAreMeasuredInThePaintFont)
{
    Load(L"cmd01=CMD_EXE\r\ncmd02=CMD_EXE\r\ncmd03=CMD_EXE\r\ncmd04=CMD_EXE\r\n",
         L"cmd01=Install,120,80\r\n"
         L"cmd02=\\nsecond only,0,50\r\n"
         L"cmd03=first only\\n,0,50\r\n"
         L"cmd04=Browse\\nthe disc,100,50\r\n",
         L"");
    SIZE install = Extent(L"Install");
    EXPECT_EQ((RECT{120, 80, 120 + install.cx, 80 + install.cy}).right,
              CommandTable[0].labelRect.right);
    EXPECT_EQ(80 + install.cy, CommandTable[0].labelRect.bottom);

    SIZE browse = Extent(L"Browse");
    SIZE disc = Extent(L"the disc");
    const RECT &two = CommandTable[3].labelRect;
    EXPECT_STREQ(L"Browse\\nthe disc", CommandTable[3].label) << "the marker stays in the text";
    EXPECT_EQ(100 + (browse.cx > disc.cx ? browse.cx : disc.cx), two.right);
    EXPECT_EQ(50 - disc.cy / 2, two.top);
    EXPECT_EQ(two.top + 2 * disc.cy, two.bottom);
    EXPECT_EQ(Extent(L"second only").cx, CommandTable[1].labelRect.right);
    EXPECT_EQ(Extent(L"first only").cx, CommandTable[2].labelRect.right);
    EXPECT_EQ(disc.cy, launcher.labelLineHeight) << "the last two-line label sets it";
}

TEST_F(CommandTableLoad, SmallFontMeasuresWithTheStockVariableFont)
{
    launcher.useSmallFont = 1;
    Load(L"cmd01=CMD_EXE\r\n", L"cmd01=Install Harbor Suite,0,0\r\n", L"");
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    SIZE size;
    GetTextExtentPointW(dc, L"Install Harbor Suite", 20, &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    EXPECT_EQ(size.cx, CommandTable[0].labelRect.right);
    EXPECT_EQ(size.cy, CommandTable[0].labelRect.bottom);
}

TEST_F(CommandTableLoad, SoundEntriesChooseOwnFileClickOrNothing)
{
    Load(L"cmd01=CMD_EXE\r\ncmd02=CMD_EXE\r\ncmd03=CMD_EXE\r\ncmd04=CMD_EXE\r\ncmd05=CMD_EXE\r\n",
         L"cmd01=a,0,0\r\ncmd02=b,0,0\r\ncmd03=c,0,0\r\ncmd04=d,0,0\r\n",
         L"cmd01_sound=\r\n"
         L"cmd03_sound=,,\r\n"
         L"cmd04_sound=sounds\\bye.wav,other.wav\r\n"
         L"cmd05_sound=undefined.wav\r\n");
    const void *click = ClickSound();
    ASSERT_TRUE(click);
    EXPECT_EQ(click, CommandTable[0].sound);
    EXPECT_EQ(static_cast<UINT>(SND_ASYNC | SND_MEMORY), CommandTable[0].soundFlags);
    EXPECT_EQ(click, CommandTable[1].sound) << "absent entry";
    EXPECT_STREQ(L"", static_cast<const wchar_t *>(CommandTable[2].sound)) << "only commas";
    EXPECT_EQ(0u, CommandTable[2].soundFlags);
    EXPECT_EQ(disc.Path() + L"\\sounds\\bye.wav", CommandTable[3].soundPath);
    EXPECT_EQ(CommandTable[3].soundPath, CommandTable[3].sound);
    EXPECT_EQ(static_cast<UINT>(SND_ASYNC), CommandTable[3].soundFlags);
    EXPECT_EQ(0u, CommandTable[4].soundFlags) << "a slot that is not defined gets no sound";
}

TEST_F(CommandTableLoad, ReloadAfterClearGivesTheSameTable)
{
    const std::wstring definitions = L"cmd01=CMD_INSTALL,setup.exe,/s\r\ncmd02=CMD_EXIT\r\n";
    const std::wstring labels = L"cmd01=Install\\nnow,10,20\r\ncmd02=Exit,10,60\r\n";
    const std::wstring buttons = L"cmd01=n.bmp,h.bmp,1,2,8,4,255,0,255\r\ncmd02=n.bmp\r\n";
    Load(definitions, labels, buttons);
    CommandSlot first[SLOT_COUNT];
    memcpy(first, CommandTable, sizeof first);

    ClearCommandTable();
    for (const CommandSlot &slot : CommandTable) {
        EXPECT_FALSE(slot.normalImage);
        EXPECT_FALSE(slot.hotImage);
        EXPECT_EQ(0, slot.defined);
        EXPECT_STREQ(L"", slot.label);
    }
    Load(definitions, labels, buttons);
    for (int i = 0; i < SLOT_COUNT; i++) {
        const CommandSlot &a = first[i], &b = CommandTable[i];
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_STREQ(a.path, b.path);
        EXPECT_STREQ(a.arguments, b.arguments);
        EXPECT_STREQ(a.label, b.label);
        EXPECT_TRUE(EqualRect(&a.labelRect, &b.labelRect)) << i;
        EXPECT_TRUE(EqualRect(&a.buttonRect, &b.buttonRect)) << i;
        EXPECT_EQ(a.normalTransparent, b.normalTransparent);
        EXPECT_EQ(a.defined, b.defined);
        EXPECT_EQ(a.sound, b.sound);
        EXPECT_EQ(a.normalImage != nullptr, b.normalImage != nullptr);
        EXPECT_EQ(a.hotImage != nullptr, b.hotImage != nullptr);
    }
}

TEST_F(CommandTableLoad, OverlongValuesAreCutOrRefusedWithinTheirFields)
{
    std::wstring longText(600, L'x');
    Load(L"cmd01=CMD_EXE," + longText + L"," + longText + L"\r\n",
         L"cmd01=" + longText + L",1,2\r\n",
         L"cmd01=" + longText + L"," + longText +
             L",0,0,8,4\r\n"
             L"cmd01_sound=" +
             longText + L"\r\n");
    const CommandSlot &slot = CommandTable[0];
    EXPECT_EQ(TEXT_CAPACITY - 1, lstrlenW(slot.path));
    EXPECT_EQ(TEXT_CAPACITY - 1, lstrlenW(slot.label));
    EXPECT_EQ(TEXT_CAPACITY - 1, lstrlenW(slot.normalImagePath));
    EXPECT_FALSE(slot.normalImage) << "a path cut to fit would name another file";
    EXPECT_EQ(0u, slot.soundFlags) << "the sound stays as it was";
    EXPECT_EQ(1, slot.defined);
    EXPECT_EQ(0, slot.labelRect.left) << "the entry is cut at 519 characters, before the numbers";
}

TEST_F(CommandTableLoad, SectionNamesThatDoNotFitReadNothing)
{
    SetText(launcher.language, std::wstring(250, L'L'));
    Load(L"cmd01=CMD_EXE\r\n", L"cmd01=a,0,0\r\n", L"");
    EXPECT_EQ(0, CommandTable[0].defined);
}

// The labels' ink: the box of the pixels that a paint of the table in white
// on black lights within each slot's label rectangle and a few pixels around.
std::vector<RECT> PaintedInk()
{
    const int width = 900, height = 400;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, section);
    PaintLauncher(dc);
    GdiFlush();
    std::vector<RECT> ink;
    for (const CommandSlot &slot : CommandTable) {
        if (!slot.defined)
            continue;
        RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN}, around = slot.labelRect;
        InflateRect(&around, 4, 4);
        for (int y = std::max(0, int(around.top)); y < std::min(height, int(around.bottom)); y++) {
            for (int x = std::max(0, int(around.left)); x < std::min(width, int(around.right));
                 x++) {
                if (static_cast<const DWORD *>(bits)[y * width + x] & 0xFFFFFF)
                    box = {std::min(box.left, LONG(x)), std::min(box.top, LONG(y)),
                           std::max(box.right, LONG(x + 1)), std::max(box.bottom, LONG(y + 1))};
            }
        }
        ink.push_back(box);
    }
    SelectObject(dc, previous);
    DeleteObject(section);
    DeleteDC(dc);
    return ink;
}

// At 150 and 200 % the labels, in either font, are drawn and measured about
// that much larger in both directions, not condensed or left at their 100 % size.
TEST_F(CommandTableLoad, LabelsGrowWithTheScaleInInkAndRectangle)
{
    launcher.loColor = RGB(255, 255, 255);
    const struct {
        int dpi;
        double least, most;
    } scales[] = {{144, 1.35, 1.65}, {192, 1.8, 2.2}};
    for (int small : {0, 1}) {
        std::vector<RECT> rects[3], inks[3];
        for (int step = 0; step < 3; step++) {
            launcher.useSmallFont = small;
            launcher.dpi = step ? scales[step - 1].dpi : 96;
            MakeLabelFont();
            Load(L"cmd01=CMD_EXE\r\ncmd02=CMD_EXE\r\ncmd03=CMD_EXE\r\n",
                 L"cmd01=Install the Harbor Suite,10,10\r\ncmd02=Run it,10,80\r\n"
                 L"cmd03=Browse\\nthe disc,10,160\r\n",
                 L"");
            for (const CommandSlot &slot : CommandTable) {
                if (slot.defined)
                    rects[step].push_back(slot.labelRect);
            }
            inks[step] = PaintedInk();
        }
        for (int step = 1; step < 3; step++) {
            for (size_t i = 0; i < rects[0].size(); i++) {
                for (const std::vector<RECT> *kind : {rects, inks}) {
                    const RECT &plain = kind[0][i], &scaled = kind[step][i];
                    const auto &scale = scales[step - 1];
                    SCOPED_TRACE(testing::Message()
                                 << (kind == rects ? "rectangle" : "ink") << " of cmd0" << i + 1
                                 << " at " << scale.dpi << (small ? " in the small font" : ""));
                    double across = double(scaled.right - scaled.left) / (plain.right - plain.left);
                    double down = double(scaled.bottom - scaled.top) / (plain.bottom - plain.top);
                    EXPECT_TRUE(across >= scale.least && across <= scale.most) << across << " wide";
                    // MS Sans Serif's raster glyphs fill more of their line than Tahoma's:
                    // the line keeps the scale, the glyphs stand a little shorter.
                    EXPECT_TRUE((small && kind == inks) ||
                                (down >= scale.least && down <= scale.most))
                        << down << " tall";
                }
            }
        }
        MakeLabelFont(); // at 96 again for the tests that follow
    }
    launcher.dpi = 0;
    launcher.useSmallFont = 0;
    MakeLabelFont();
}

} // namespace
