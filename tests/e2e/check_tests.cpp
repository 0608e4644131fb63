// AUTORUN-CHECK.EXE as an author runs it: its diagnostics, line by line, over
// small configurations that each hold one trap, and its exit codes.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::wstring CheckerPath()
{
    return BuildDir() + L"\\AUTORUN-CHECK.EXE";
}

// A clean disc: two buttons with their pictures, a file to open and the
// media runtime's installer.
const std::vector<std::wstring> CLEAN = {
    L"[Setup]",                                 // 1
    L"DefaultLang=English",                     // 2
    L"BkgColor=0,0,96",                         // 3
    L"HiColor=255,255,0",                       // 4
    L"LoColor=255,255,255",                     // 5
    L"[Languages]",                             // 6
    L"English=1",                               // 7
    L"[English]",                               // 8
    L"Nodxmedia=Install the runtime?",          // 9
    L"Dxmedia=rt\\%s\\setup.exe",               // 10
    L"[Setup_CommandDefines]",                  // 11
    L"cmd01=CMD_EXE,readme.txt",                // 12
    L"cmd02=CMD_EXIT",                          // 13
    L"[SetupStr_English]",                      // 14
    L"Title=Product Setup",                     // 15
    L"Insert=Please insert %s",                 // 16
    L"cmd01=Read me,100,40",                    // 17
    L"cmd02=Exit,100,100",                      // 18
    L"[SetupBtn_English]",                      // 19
    L"cmd01=b.bmp,h.bmp,40,30,48,32,255,0,255", // 20
    L"cmd02=b.bmp,h.bmp,40,90,48,32",           // 21
};

enum Encoding { UTF16LE, UTF8, UTF8_BOM, UTF16BE };

struct Trap {
    const char *name;
    // Each line replaces the line of the same key in its section, or is
    // added at the section's end; the diagnostic is expected on the first.
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    const char *expected; // "level: part of the text"
    DWORD exitCode;
    Encoding encoding;
};

std::wstring KeyOf(const std::wstring &line)
{
    return line.substr(0, line.find(L'='));
}

// The clean file with the trap's lines in; *trapLine is the first one's number.
std::vector<std::wstring> WithTrap(const Trap &trap, int *trapLine)
{
    std::vector<std::wstring> lines = CLEAN;
    *trapLine = 0;
    for (const auto &change : trap.lines) {
        size_t section = 0;
        while (section < lines.size() && lines[section] != L"[" + change.first + L"]")
            section++;
        if (section == lines.size()) {
            lines.push_back(L"[" + change.first + L"]");
        }
        size_t at = section + 1;
        while (at < lines.size() && lines[at][0] != L'[' &&
               KeyOf(lines[at]) != KeyOf(change.second))
            at++;
        if (at < lines.size() && lines[at][0] != L'[')
            lines[at] = change.second;
        else
            lines.insert(lines.begin() + at, change.second);
        if (!*trapLine)
            *trapLine = static_cast<int>(at) + 1;
    }
    return lines;
}

void WriteConfiguration(const std::wstring &path, const std::vector<std::wstring> &lines,
                        Encoding encoding)
{
    std::wstring text;
    for (const std::wstring &line : lines)
        text += line + L"\r\n";
    if (encoding == UTF16LE) {
        WriteTextFile(path, text);
        return;
    }
    std::string bytes = encoding == UTF8_BOM ? "\xEF\xBB\xBF" : "";
    if (encoding == UTF16BE) {
        bytes = "\xFE\xFF";
        for (wchar_t c : text) {
            bytes += static_cast<char>(c >> 8);
            bytes += static_cast<char>(c & 0xFF);
        }
    } else {
        bytes += Utf8(text);
    }
    WriteBytes(path, bytes.data(), bytes.size());
}

// The lines of the output that are diagnostics about AUTORUN.INI.
std::vector<std::string> Diagnostics(const std::string &output)
{
    std::vector<std::string> found;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        if (line.rfind("AUTORUN.INI:", 0) == 0)
            found.push_back(line);
        start = end + 1;
    }
    return found;
}

class Checker : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBitmapFile(disc.File(L"b.bmp"), 48, 32, [](int, int) { return RGB(0, 160, 0); });
        WriteBitmapFile(disc.File(L"h.bmp"), 48, 32, [](int, int) { return RGB(0, 0, 230); });
        for (const wchar_t *twice : {L"b@2x.bmp", L"h@2x.bmp"})
            WriteBitmapFile(disc.File(twice), 96, 64, [](int, int) { return RGB(0, 0, 230); });
        // 4.3 MiB: a first paint that reads it is slow from a disc.
        WriteBitmapFile(disc.File(L"big.bmp"), 1500, 1000, [](int, int) { return RGB(0, 0, 96); });
        WriteBytes(disc.File(L"bad.bmp"), "not a bitmap", 12);
        WriteBytes(disc.File(L"readme.txt"), "read me", 7);
        WriteBytes(disc.File(L"click.wav"), "ID3\x04\0\0\0\0\0\0\xFF\xFB", 12);
        CreateDirectoryW(disc.File(L"rt").c_str(), nullptr);
        CreateDirectoryW(disc.File(L"rt\\X86").c_str(), nullptr);
        WriteBytes(disc.File(L"rt\\X86\\setup.exe"), "MZ", 2);
    }

    DWORD Check(const std::wstring &arguments, std::string *output)
    {
        return RunCapturingOutput(CheckerPath(), arguments, output);
    }

    TempDir disc;
};

TEST_F(Checker, EveryTrapGivesItsDiagnosticOnItsLine)
{
    // clang-format off
    const Trap traps[] = {
        {"language without sections", {{L"Languages", L"German=1"}},
         "error: German has neither [SetupStr_German] nor [SetupBtn_German]", 2, UTF16LE},
        {"empty language value", {{L"Languages", L"English="}},
         "warning: English has an empty value", 1, UTF16LE},
        {"DefaultLang not listed", {{L"Setup", L"DefaultLang=French"}},
         "warning: DefaultLang names \"French\", which [Languages] does not list", 2, UTF16LE},
        {"label without command", {{L"SetupStr_English", L"cmd05=Five,100,160"}},
         "warning: cmd05 has a label but no entry in [Setup_CommandDefines]", 1, UTF16LE},
        {"command without label or button", {{L"Setup_CommandDefines", L"cmd03=CMD_EXIT"}},
         "warning: cmd03 is defined but has neither a label", 1, UTF16LE},
        {"unknown keyword", {{L"Setup_CommandDefines", L"cmd01=CMD_RUN,readme.txt"}},
         "error: cmd01: \"CMD_RUN\" is not a keyword", 2, UTF16LE},
        {"keyword with a blank", {{L"Setup_CommandDefines", L"cmd02=CMD_EXIT ,x"}},
         "error: cmd02: the keyword \"CMD_EXIT \" has a blank next to it", 2, UTF16LE},
        {"empty field", {{L"SetupStr_English", L"cmd01=Read me,,100,40"}},
         "warning: cmd01: an empty field is skipped and the later ones move up; read as the label "
         "\"Read me\" at x 100, y 40", 1, UTF16LE},
        {"too few fields", {{L"SetupBtn_English", L"cmd01=b.bmp,h.bmp,40,30,48"}},
         "warning: cmd01 has 5 fields", 1, UTF16LE},
        {"too many fields", {{L"Setup_CommandDefines", L"cmd01=CMD_EXE,readme.txt,/a,/b"}},
         "warning: cmd01 has 4 fields", 1, UTF16LE},
        {"colour over 255", {{L"Setup", L"BkgColor=300,0,96"}},
         "warning: BkgColor: colour component 300 is cut to its low 8 bits, 44", 1, UTF16LE},
        {"black colour key", {{L"SetupBtn_English", L"cmd02=b.bmp,h.bmp,40,90,48,32,0,0,0"}},
         "warning: cmd02: the colour key is 0,0,0", 1, UTF16LE},
        {"image missing", {{L"SetupBtn_English", L"cmd01=gone.bmp,h.bmp,40,30,48,32,255,0,255"}},
         "error: cmd01's normal image: it is not on the disc", 2, UTF16LE},
        {"image rejected", {{L"SetupBtn_English", L"cmd01=b.bmp,bad.bmp,40,30,48,32,255,0,255"}},
         "error: cmd01's hot image: the launcher cannot load", 2, UTF16LE},
        {"image size differs", {{L"SetupBtn_English", L"cmd02=b.bmp,h.bmp,40,90,64,64"}},
         "warning: cmd02's normal image is 48 x 32 pixels, but the entry gives 64 x "
         "64", 1, UTF16LE},
        {"sound missing", {{L"SetupBtn_English", L"cmd02_sound=bye.wav"}},
         "error: cmd02_sound: the sound is not on the disc", 2, UTF16LE},
        {"sound not WAVE", {{L"SetupBtn_English", L"cmd02_sound=click.wav"}},
         "error: cmd02_sound: the sound is not a RIFF WAVE file (it looks like an MP3 file)", 2,
         UTF16LE},
        {"installer missing", {{L"Setup_CommandDefines", L"cmd01=CMD_INSTALL,setup\\setup.exe"}},
         "error: cmd01: the installer is not on the disc", 2, UTF16LE},
        {"folder missing", {{L"Setup_CommandDefines", L"cmd02=CMD_BROWSE,extras"}},
         "error: cmd02: the folder to explore is not on the disc", 2, UTF16LE},
        {"first paint over 4 MiB", {{L"Setup", L"Bitmap=big.bmp"}},
         "note: the first paint in English reads 4.3 MiB, more than 4 MiB: 500 ms from an 8x DVD, "
         "1343 ms from a 24x CD; the largest file is \"big.bmp\" (4.3 MiB)", 0, UTF16LE},
        {"background missing", {{L"Setup", L"Bitmap=back.bmp"}},
         "error: the background is not on the disc", 2, UTF16LE},
        {"label outside", {{L"SetupStr_English", L"cmd02=Exit,600,100"}},
         "error: cmd02's label (600,100)-", 2, UTF16LE},
        {"overlap", {{L"SetupBtn_English", L"cmd02=b.bmp,h.bmp,60,40,48,32"}},
         "warning: cmd02's button (60,40)-(108,72) overlaps cmd01's button (40,30)-(88,62): where "
         "they meet, the pointer lights cmd01", 1, UTF16LE},
        {"label into a button at a scale",
         {{L"SetupStr_English", L"cmd01=Install the Harbor Suite,100,40"},
          {L"SetupBtn_English", L"cmd02=b.bmp,h.bmp,252,36,48,32"}},
         "warning: cmd01's label \"Install the Harbor Suite\" runs into cmd02's button at 125 %, in "
         "a font whose text is not exactly 125 % of its width at 100 % (English)", 1, UTF16LE},
        {"gap before a slot",
         {{L"Setup_CommandDefines", L"cmd04=CMD_EXIT"}, {L"SetupStr_English", L"cmd04=Four,9,160"}},
         "warning: cmd04 is shown, but Up, Down and Tab never reach it", 1, UTF16LE},
        {"value cut", {{L"SetupStr_English", L"Title=" + std::wstring(300, L'T')}},
         "warning: Title is 300 characters long; the launcher reads only the first "
         "259", 1, UTF16LE},
        {"directive in Insert", {{L"SetupStr_English", L"Insert=Insert %s, %d"}},
         "warning: Insert holds \"%d\"", 1, UTF16LE},
        {"slot past cmd30", {{L"Setup_CommandDefines", L"cmd31=CMD_EXIT"}},
         "warning: cmd31 is never read", 1, UTF16LE},
        {"slot key of three digits", {{L"Setup_CommandDefines", L"cmd012=CMD_EXIT"}},
         "warning: cmd012 is never read: slot keys have two digits, as in cmd12", 1, UTF16LE},
        {"version as text", {{L"Setup", L"DirectXMedia=6.10.0.0"}},
         "warning: DirectXMedia=6.10.0.0 is compared as text, not as numbers: an installed 6.9.0.0 "
         "counts as recent enough", 1, UTF16LE},
        {"label without text", {{L"SetupStr_English", L"cmd02=\\n,100,100"}},
         "warning: cmd02 is shown without label text: a screen reader announces it as a button "
         "without a name (English)", 1, UTF16LE},
        {"label on too little contrast", {{L"Setup", L"LoColor=0,0,120"}},
         "warning: cmd01's label in LoColor 0,0,120 has less than 4.5:1 contrast with the "
         "background under it on ", 1, UTF16LE},
        {"lit label on too little contrast", {{L"Setup", L"HiColor=0,0,96"}},
         "warning: cmd01's lit label in HiColor 0,0,96 has less than 4.5:1 contrast", 1, UTF16LE},
        {"UTF-8 text", {{L"SetupStr_English", L"Title=Gr\u00FC\u00DFe"}},
         "warning: the file is UTF-8 with non-ASCII characters", 1, UTF8},
        {"UTF-8 byte-order mark", {{L"Setup", L"DefaultLang=English"}},
         "error: the file starts with a UTF-8 byte-order mark", 2, UTF8_BOM},
        {"UTF-16 big-endian", {{L"Setup", L"DefaultLang=English"}},
         "error: the file is UTF-16 big-endian", 2, UTF16BE},
    };
    // clang-format on
    for (const Trap &trap : traps) {
        int line = 0;
        std::vector<std::wstring> lines = WithTrap(trap, &line);
        if (trap.encoding == UTF8_BOM || trap.encoding == UTF16BE)
            line = 1;
        WriteConfiguration(disc.File(L"AUTORUN.INI"), lines, trap.encoding);
        std::string output;
        DWORD exitCode = Check(L"\"" + disc.Path() + L"\"", &output);
        std::string expected = "AUTORUN.INI:" + std::to_string(line) + ": " + trap.expected;
        bool found = false;
        for (const std::string &diagnostic : Diagnostics(output))
            found = found || diagnostic.rfind(expected, 0) == 0;
        EXPECT_TRUE(found) << trap.name << ": expected\n" << expected << "\nin\n" << output;
        EXPECT_EQ(trap.exitCode, exitCode) << trap.name << "\n" << output;
    }
}

TEST_F(Checker, CleanFileAndSampleDiscFindNothing)
{
    WriteConfiguration(disc.File(L"AUTORUN.INI"), CLEAN, UTF16LE);
    std::string output;
    EXPECT_EQ(0u, Check(L"\"" + disc.File(L"AUTORUN.INI") + L"\"", &output)) << output;
    EXPECT_TRUE(Diagnostics(output).empty()) << output;
    // The first paint reads the file and the two pictures, in one seek and one pass.
    size_t bytes = ReadBytes(disc.File(L"AUTORUN.INI")).size() + 2 * (54 + 48 * 32 * 3);
    std::string cost = "  first paint reads 3 file(s), " + std::to_string(bytes) +
                       " bytes: " + std::to_string(std::lround(90 + bytes / 11000.0)) +
                       " ms from an 8x DVD, " + std::to_string(std::lround(90 + bytes / 3600.0)) +
                       " ms from a 24x CD, laid out by make-disc.sh (1 seek(s))\n";
    EXPECT_NE(std::string::npos, output.find(cost)) << cost << "\nin\n" << output;

    std::wstring sample = BuildDir() + L"\\sample-disc";
    EXPECT_EQ(0u, Check(L"\"" + sample + L"\"", &output)) << output;
    EXPECT_TRUE(Diagnostics(output).empty()) << output;
    // The table names what a button runs, with the full path it will use.
    EXPECT_NE(std::string::npos,
              output.find("[" + Utf8(sample) + "\\setup\\setup.exe /lang English]"))
        << output;
    EXPECT_NE(std::string::npos, output.find("Language \"German\"")) << output;

    // A launcher in a sub-folder reads the file beside it; paths still start at the root.
    CreateDirectoryW(disc.File(L"SETUP").c_str(), nullptr);
    MoveFileW(disc.File(L"AUTORUN.INI").c_str(), disc.File(L"SETUP\\AUTORUN.INI").c_str());
    EXPECT_EQ(0u, Check(L"\"" + disc.Path() + L"\"", &output)) << output;
    EXPECT_NE(std::string::npos, output.find("SETUP\\AUTORUN.INI\" on the disc root")) << output;
}

// A language named like a device would otherwise send its preview to the device.
TEST_F(Checker, PreviewsOfLanguagesNamedLikeDevicesAreFiles)
{
    std::vector<std::wstring> lines = CLEAN;
    lines.insert(lines.begin() + 7, {L"CON=1", L"nul.x=1", L"Lpt1=1", L"COM=1"});
    WriteConfiguration(disc.File(L"AUTORUN.INI"), lines, UTF16LE);
    TempDir previews;
    std::string output;
    Check(L"--preview \"" + previews.Path() + L"\" \"" + disc.Path() + L"\"", &output);
    for (const wchar_t *file :
         {L"CON_.png", L"nul_.x.png", L"Lpt1_.png", L"COM.png", L"English.png"})
        EXPECT_TRUE(FileExists(previews.File(file))) << Utf8(file) << "\n" << output;
}

TEST_F(Checker, ScaleVariantsAreMeasuredListedAndPreviewedAtEachScale)
{
    WriteConfiguration(disc.File(L"AUTORUN.INI"), CLEAN, UTF16LE);
    WriteBitmapFile(disc.File(L"b@1.5x.bmp"), 50, 50, [](int, int) { return RGB(0, 0, 230); });
    DeleteFileW(disc.File(L"h@2x.bmp").c_str());
    TempDir previews;
    std::string output;
    EXPECT_EQ(1u, Check(L"--preview \"" + previews.Path() +
                            L"\" --hot 2 --scale 200 --scale 125 \"" + disc.Path() + L"\"",
                        &output));
    const char *expected[] = {
        "AUTORUN.INI:20: warning: cmd01's normal image: the variant \"b@1.5x.bmp\" is 50 x 50 "
        "pixels, but \"b.bmp\" at 150 % is 72 x 48 (48 x 32 times the scale)",
        "AUTORUN.INI:20: note: cmd01's hot image: \"h.bmp\" has no variant at or above 200 % (such "
        "as \"h@2x.bmp\"): stretched on a 200 % display",
        "images  normal b.bmp (48 x 32; for other scales @1.5x @2x), hot h.bmp (48 x 32),"};
    for (const char *line : expected) {
        EXPECT_NE(std::string::npos, output.find(line)) << line << "\nin\n" << output;
    }
    EXPECT_EQ(output.find("stretched"), output.rfind("stretched")) << "one note for h.bmp";
    for (const wchar_t *file : {L"English@200.png", L"English-cmd02@200.png", L"English@125.png",
                                L"English-cmd02@125.png"})
        EXPECT_TRUE(FileExists(previews.File(file))) << Utf8(file) << "\n" << output;
    EXPECT_FALSE(FileExists(previews.File(L"English.png")));
    EXPECT_EQ(3u, Check(L"--preview x --scale 120", &output));
    EXPECT_NE(std::string::npos, output.find("--scale takes 100, 125")) << output;
    EXPECT_EQ(3u, Check(L"--scale 200", &output));
}

TEST_F(Checker, TroubleEndsWithExitCodeThree)
{
    std::string output;
    EXPECT_EQ(3u, Check(L"\"" + disc.Path() + L"\"", &output)) << "no AUTORUN.INI in the folder";
    EXPECT_NE(std::string::npos, output.find("cannot read")) << output;
    // A comment line long enough to take the file past 1 MiB.
    WriteBytes(disc.File(L"AUTORUN.INI"), std::string(1048577, ';').c_str(), 1048577);
    EXPECT_EQ(3u, Check(L"\"" + disc.Path() + L"\"", &output));
    EXPECT_NE(std::string::npos,
              output.find("is 1048577 bytes long; an AUTORUN.INI of more than 1048576 bytes "
                          "(1 MiB) is not read"))
        << output;
    EXPECT_EQ(3u, Check(L"--colour red", &output));
    EXPECT_NE(std::string::npos, output.find("unknown option \"--colour\"")) << output;
    EXPECT_EQ(3u, Check(L"--preview x --hot 0", &output));
    EXPECT_EQ(3u, Check(L"--high-contrast", &output));
    EXPECT_NE(std::string::npos, output.find("--high-contrast needs --preview")) << output;
    EXPECT_EQ(0u, Check(L"--help", &output));
    EXPECT_NE(std::string::npos, output.find("--hot N")) << output;
}

} // namespace
