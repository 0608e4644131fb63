// --check: re-reads a generated tree and verifies what the launcher, the
// resource compiler and the sample disc's AUTORUN.INI rely on.
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

#include "assetgen.h"

namespace {
struct Checker {
    int passed = 0, failed = 0;
    void expect(bool ok, const std::string &what)
    {
        if (ok) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL: %s\n", what.c_str());
        }
    }
};

bool bmpHeaderIs(const Bytes &f, int w, int h, int bits)
{
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M')
        return false;
    uint32_t off = 54 + (bits == 4 ? 64 : 0), stride = ((uint32_t(w) * bits + 31) / 32) * 4;
    return le32(f, 2) == f.size() && le32(f, 10) == off && le32(f, 14) == 40 &&
           le32(f, 18) == uint32_t(w) && le32(f, 22) == uint32_t(h) && le16(f, 26) == 1 &&
           le16(f, 28) == uint32_t(bits) && le32(f, 30) == 0 &&
           f.size() == off + stride * uint32_t(h);
}

void checkIcon(Checker &c, const std::string &name, const Bytes &f)
{
    c.expect(f.size() == 22 + 40 + 64 + 512 + 128, name + " has one 32x32 16-colour image");
    if (f.size() != 766)
        return;
    c.expect(le16(f, 0) == 0 && le16(f, 2) == 1 && le16(f, 4) == 1, name + " directory");
    c.expect(f[6] == 32 && f[7] == 32 && f[8] == 16 && le32(f, 14) == 744 && le32(f, 18) == 22,
             name + " entry");
    c.expect(le32(f, 22) == 40 && le32(f, 26) == 32 && le32(f, 30) == 64 && le16(f, 36) == 4,
             name + " header states colour and mask rows");
    int clear = 0;
    for (size_t i = 22 + 40 + 64 + 512; i < f.size(); ++i)
        for (int bit = 0; bit < 8; ++bit)
            clear += f[i] >> bit & 1;
    bool cornersClear = (f[766 - 4] & 0x80) && (f[766 - 1] & 1) && (f[638] & 0x80);
    c.expect(clear > 100 && clear < 700 && cornersClear, name + " mask outlines the emblem");
}

// Returns the samples for further checks, empty if the header is wrong.
std::vector<int16_t> checkWav(Checker &c, const std::string &name, const Bytes &f, int channels,
                              int rate, size_t frames)
{
    size_t dataSize = frames * channels * 2;
    bool ok = f.size() == 44 + dataSize && std::equal(f.begin(), f.begin() + 4, "RIFF") &&
              le32(f, 4) == f.size() - 8 && std::equal(f.begin() + 8, f.begin() + 16, "WAVEfmt ") &&
              le32(f, 16) == 16 && le16(f, 20) == 1 && le16(f, 22) == uint32_t(channels) &&
              le32(f, 24) == uint32_t(rate) && le32(f, 28) == uint32_t(rate * channels * 2) &&
              le16(f, 32) == uint32_t(channels * 2) && le16(f, 34) == 16 &&
              std::equal(f.begin() + 36, f.begin() + 40, "data") && le32(f, 40) == dataSize;
    c.expect(ok, name + " is 16-bit PCM, " + std::to_string(channels) + " ch, " +
                     std::to_string(rate) + " Hz, " + std::to_string(frames) + " frames");
    if (!ok)
        return {};
    std::vector<int16_t> s(frames * channels);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(le16(f, 44 + 2 * i));
    int peak = 0;
    for (int16_t v : s)
        peak = std::max(peak, std::abs(int(v)));
    c.expect(peak < 32767, name + " does not clip");
    bool quietEnds = true;
    for (int k = 0; k < channels; ++k)
        quietEnds = quietEnds && s[k] == 0 && s[s.size() - 1 - k] == 0;
    c.expect(quietEnds, name + " starts and ends in silence");
    return s;
}

void checkSounds(Checker &c, const std::string &dir)
{
    Bytes f;
    readFile(dir + "/res/intro.wav", f);
    std::vector<int16_t> intro = checkWav(c, "intro.wav", f, 2, 44100, 308700);
    if (!intro.empty()) {
        int peak = 0, sideways = 0;
        for (size_t i = 0; i < intro.size(); i += 2) {
            peak = std::max({peak, std::abs(int(intro[i])), std::abs(int(intro[i + 1]))});
            sideways = std::max(sideways, std::abs(intro[i] - intro[i + 1]));
        }
        double dbfs = 20 * std::log10(peak / 32768.0);
        c.expect(dbfs > -7 && dbfs < -5, "intro.wav peaks near -6 dBFS");
        c.expect(sideways > 1000, "intro.wav has stereo spread");
    }
    readFile(dir + "/res/click.wav", f);
    std::vector<int16_t> click = checkWav(c, "click.wav", f, 1, 22050, 684);
    double sum = 0;
    for (int16_t v : click)
        sum += v;
    c.expect(!click.empty() && std::abs(sum / double(click.size())) < 8,
             "click.wav has no DC offset");
    readFile(dir + "/disc/autorun/chime.wav", f);
    checkWav(c, "chime.wav", f, 1, 22050, 2646);
}

bool nearKey(Rgb p)
{
    return p != kMagenta && p.r > 150 && p.b > 150 && p.g < 110;
}

// Pixel (x, y), top-down, of a file that bmpHeaderIs() took as 24 bits, bottom-up.
Rgb bmpPixel(const Bytes &f, int x, int y)
{
    uint32_t w = le32(f, 18), h = le32(f, 22);
    size_t at = 54 + (h - 1 - y) * ((w * 3 + 3) & ~3u) + x * 3;
    return {f[at + 2], f[at + 1], f[at]};
}

bool read24(const std::string &path, int w, int h, Bytes &f)
{
    return readFile(path, f) && bmpHeaderIs(f, w, h, 24);
}

// The normal picture shows its glyph on the key colour; the hot one is cut
// from the backdrop where AUTORUN.INI places the button, so its edge blends in.
void checkButton(Checker &c, const std::string &dir, const Bytes &back, const std::string &line)
{
    char normal[64] = "", hot[64] = "";
    int x = -1, y = -1, w = 0, h = 0, r = 0, g = 0, b = 0;
    int fields =
        std::sscanf(line.c_str(), "%*[^=]=autorun\\%63[^,],autorun\\%63[^,],%d,%d,%d,%d,%d,%d,%d",
                    normal, hot, &x, &y, &w, &h, &r, &g, &b);
    c.expect(fields == 9 && w == 64 && h == 64 && x >= 0 && y >= 0 && x + w <= 640 &&
                 y + h <= 480 && Rgb{uint8_t(r), uint8_t(g), uint8_t(b)} == kMagenta,
             line + ": 64x64 inside the backdrop, keyed on magenta");
    if (fields != 9 || x < 0 || y < 0 || x + 64 > 640 || y + 64 > 480 || back.empty())
        return;
    Bytes f;
    bool normalOk = read24(dir + "/disc/autorun/" + normal, 64, 64, f);
    c.expect(normalOk, std::string(normal) + " is 64x64, 24 bits");
    if (normalOk) {
        int keyed = 0, fringe = 0;
        for (int j = 0; j < 64; ++j)
            for (int i = 0; i < 64; ++i)
                keyed += bmpPixel(f, i, j) == kMagenta, fringe += nearKey(bmpPixel(f, i, j));
        c.expect(bmpPixel(f, 0, 0) == kMagenta && bmpPixel(f, 63, 63) == kMagenta && keyed > 1000 &&
                     keyed < 3800,
                 std::string(normal) + " draws a glyph on the key colour");
        c.expect(fringe == 0, std::string(normal) + " has no near-magenta fringe");
    }
    bool hotOk = read24(dir + "/disc/autorun/" + hot, 64, 64, f);
    c.expect(hotOk, std::string(hot) + " is 64x64, 24 bits");
    if (!hotOk)
        return;
    bool opaque = true, edgeMatches = true;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i)
            opaque = opaque && bmpPixel(f, i, j) != kMagenta;
    for (int i = 0; i < 64; ++i)
        for (auto [px, py] : {std::pair{i, 0}, {i, 63}, {0, i}, {63, i}})
            edgeMatches = edgeMatches && bmpPixel(f, px, py) == bmpPixel(back, x + px, y + py);
    c.expect(opaque && edgeMatches, std::string(hot) +
                                        " is opaque and its edge is the backdrop at " +
                                        std::to_string(x) + "," + std::to_string(y));
}

void checkDiscPictures(Checker &c, const std::string &dir, const std::string &iniPath)
{
    Bytes f, back;
    readFile(dir + "/res/background.bmp", f);
    c.expect(bmpHeaderIs(f, 537, 386, 4), "background.bmp is 537x386, 16 colours, bottom-up");
    std::set<int> used;
    for (size_t i = 118; i < f.size(); ++i)
        used.insert({f[i] >> 4, f[i] & 15});
    c.expect(used.size() >= 14, "background.bmp uses the palette's range");
    bool backOk = read24(dir + "/disc/autorun/back.bmp", 640, 480, back);
    c.expect(backOk, "back.bmp is 640x480, 24 bits");
    if (!backOk)
        back.clear();
    readFile(iniPath, f);
    std::istringstream ini(std::string(f.begin(), f.end()));
    std::string line, section;
    int buttons = 0;
    while (std::getline(ini, line)) {
        if (line.rfind("[", 0) == 0)
            section = line;
        else if (section.rfind("[SetupBtn_", 0) == 0 && line.find(".bmp") != std::string::npos)
            checkButton(c, dir, back, line), ++buttons;
    }
    c.expect(buttons >= 6, iniPath + " places the sample's buttons");
    readFile(dir + "/disc/autorun/disc.ico", f);
    checkIcon(c, "disc.ico", f);
    readFile(dir + "/res/launcher.ico", f);
    checkIcon(c, "launcher.ico", f);
}

void checkText(Checker &c, const std::string &dir)
{
    Bytes f;
    readFile(dir + "/disc/README.TXT", f);
    bool crlf = !f.empty();
    for (size_t i = 0; i < f.size(); ++i)
        crlf = crlf && (f[i] != '\n' || (i > 0 && f[i - 1] == '\r'));
    c.expect(crlf && std::string(f.begin(), f.end()).find("Harbor Suite 2027") != std::string::npos,
             "README.TXT names the product and uses CRLF");
    c.expect(readFile(dir + "/disc/extras/LICENSE.TXT", f) && !f.empty(),
             "extras/LICENSE.TXT exists");
}
} // namespace

int runChecks(const std::string &dir, const std::string &iniPath)
{
    Checker c;
    checkSounds(c, dir);
    checkDiscPictures(c, dir, iniPath);
    checkText(c, dir);
    std::printf("%d passed, %d failed\n", c.passed, c.failed);
    return c.failed ? 1 : 0;
}
