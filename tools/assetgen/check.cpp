// --check: re-reads a generated tree and verifies what the launcher, the
// resource compiler and the sample disc's AUTORUN.INI rely on.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "assetgen.h"

namespace {
int passed = 0, failed = 0;

void Expect(bool ok, const std::string &what)
{
    if (!ok)
        std::printf("FAIL: %s\n", what.c_str());
    ++(ok ? passed : failed);
}

Bytes ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Get16(const Bytes &b, size_t at)
{
    return b[at] | uint32_t(b[at + 1]) << 8;
}

uint32_t Get32(const Bytes &b, size_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

bool HasBmpHeader(const Bytes &f, int w, int h, int bits)
{
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M')
        return false;
    uint32_t off = 54 + (bits == 4 ? 64 : 0), stride = ((uint32_t(w) * bits + 31) / 32) * 4;
    return Get32(f, 2) == f.size() && Get32(f, 10) == off && Get32(f, 14) == 40 &&
           Get32(f, 18) == uint32_t(w) && Get32(f, 22) == uint32_t(h) && Get16(f, 26) == 1 &&
           Get16(f, 28) == uint32_t(bits) && Get32(f, 30) == 0 &&
           f.size() == off + stride * uint32_t(h);
}

// Pixel (x, y), top-down, of a file that HasBmpHeader() took as 24 bits.
Rgb BmpPixel(const Bytes &f, int x, int y)
{
    uint32_t w = Get32(f, 18), h = Get32(f, 22);
    size_t at = 54 + (h - 1 - y) * ((w * 3 + 3) & ~3u) + x * 3;
    return {f[at + 2], f[at + 1], f[at]};
}

// The pixels of a BI_RLE4 file of the built-in background's size, top row
// first; empty when its header or its codes are wrong or leave pixels out.
std::vector<uint8_t> DecodeRle4(const Bytes &f)
{
    const int w = BUILTIN_BACKGROUND_W, h = BUILTIN_BACKGROUND_H;
    if (f.size() < 118 || f[0] != 'B' || f[1] != 'M' || Get32(f, 2) != f.size() ||
        Get32(f, 10) != 118 || Get32(f, 14) != 40 || Get32(f, 18) != uint32_t(w) ||
        Get32(f, 22) != uint32_t(h) || Get16(f, 28) != 4 || Get32(f, 30) != 2 ||
        Get32(f, 34) != f.size() - 118)
        return {};
    std::vector<uint8_t> px(size_t(w) * h);
    std::vector<bool> set(px.size());
    int x = 0, y = h - 1;
    auto put = [&](uint8_t v) {
        if (x >= w || y < 0)
            return false;
        px[size_t(y) * w + x] = v, set[size_t(y) * w + x] = true, ++x;
        return true;
    };
    for (size_t at = 118; at + 1 < f.size(); at += 2) {
        uint8_t n = f[at], v = f[at + 1];
        if (n) {
            for (int k = 0; k < n; ++k)
                if (!put(k % 2 ? v & 15 : v >> 4))
                    return {};
        } else if (v == 0) {
            x = 0, --y;
        } else if (v == 1) {
            return std::find(set.begin(), set.end(), false) == set.end() ? px
                                                                         : std::vector<uint8_t>();
        } else if (v == 2 || at + 2 + (v + 1) / 2 > f.size()) {
            return {}; // the generator writes no jumps
        } else {
            for (int k = 0; k < v; ++k)
                if (!put(k % 2 ? f[at + 2 + k / 2] & 15 : f[at + 2 + k / 2] >> 4))
                    return {};
            at += ((v + 3) / 4) * 2;
        }
    }
    return {};
}

// Three 16-colour images, 32, 48 and 64 pixels wide, one after the other.
void CheckIcon(const std::string &dir, const std::string &name)
{
    Bytes f = ReadBytes(dir + name);
    bool formed = f.size() > 6 + 3 * 16 && Get16(f, 0) == 0 && Get16(f, 2) == 1 && Get16(f, 4) == 3;
    uint32_t expectedOffset = 6 + 3 * 16;
    for (int i = 0; formed && i < 3; ++i) {
        const uint32_t n = 32 + 16 * i, entry = 6 + 16 * i, andStride = ((n + 31) / 32) * 4;
        const uint32_t size = 40 + 64 + n * n / 2 + andStride * n, at = Get32(f, entry + 12);
        formed = f[entry] == n && f[entry + 1] == n && f[entry + 2] == 16 &&
                 Get16(f, entry + 6) == 4 && Get32(f, entry + 8) == size && at == expectedOffset &&
                 at + size <= f.size() && Get32(f, at) == 40 && Get32(f, at + 4) == n &&
                 Get32(f, at + 8) == 2 * n && Get16(f, at + 14) == 4;
        if (!formed)
            break;
        // The mask outlines the emblem: its corners clear, about half of it set.
        uint32_t mask = at + 40 + 64 + n * n / 2, clear = 0;
        for (uint32_t y = 0; y < n; ++y)
            for (uint32_t x = 0; x < n; ++x)
                clear += f[mask + y * andStride + x / 8] >> (7 - x % 8) & 1;
        bool corners = (f[mask] & 0x80) && (f[mask + andStride * (n - 1)] & 0x80);
        Expect(clear > n * n / 10 && clear < n * n * 7 / 10 && corners,
               name + ": the " + std::to_string(n) + "-pixel mask outlines the emblem");
        expectedOffset += size;
    }
    Expect(formed && expectedOffset == f.size(),
           name + " has 32, 48 and 64-pixel 16-colour images, well formed");
}

// Returns the samples for further checks, empty if the header is wrong.
std::vector<int16_t> CheckWav(const std::string &dir, const std::string &name, int channels,
                              int rate, size_t frames)
{
    Bytes f = ReadBytes(dir + name);
    size_t dataSize = frames * channels * 2;
    bool ok = f.size() == 44 + dataSize && std::equal(f.begin(), f.begin() + 4, "RIFF") &&
              Get32(f, 4) == f.size() - 8 &&
              std::equal(f.begin() + 8, f.begin() + 16, "WAVEfmt ") && Get32(f, 16) == 16 &&
              Get16(f, 20) == 1 && Get16(f, 22) == uint32_t(channels) &&
              Get32(f, 24) == uint32_t(rate) && Get32(f, 28) == uint32_t(rate * channels * 2) &&
              Get16(f, 32) == uint32_t(channels * 2) && Get16(f, 34) == 16 &&
              std::equal(f.begin() + 36, f.begin() + 40, "data") && Get32(f, 40) == dataSize;
    Expect(ok, name + " is 16-bit PCM, " + std::to_string(channels) + " ch, " +
                   std::to_string(rate) + " Hz, " + std::to_string(frames) + " frames");
    if (!ok)
        return {};
    std::vector<int16_t> s(frames * channels);
    int peak = 0;
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(Get16(f, 44 + 2 * i)), peak = std::max(peak, std::abs(int(s[i])));
    Expect(peak < 32767, name + " does not clip");
    bool quietEnds = true;
    for (int k = 0; k < channels; ++k)
        quietEnds = quietEnds && s[k] == 0 && s[s.size() - 1 - k] == 0;
    Expect(quietEnds, name + " starts and ends in silence");
    return s;
}

// The intro as IMA ADPCM: Windows' block layout, a fact chunk of exactly
// INTRO_SECONDS, and once decoded the level and spread of the synthesis.
std::vector<int16_t> CheckIntro(const std::string &dir)
{
    Bytes f = ReadBytes(dir + "res/intro.wav");
    ImaFormat ima = ImaFormatFor(INTRO_CHANNELS, INTRO_RATE);
    uint32_t frames = uint32_t(INTRO_SECONDS * INTRO_RATE);
    uint32_t blocks = (frames + ima.samplesPerBlock - 1) / ima.samplesPerBlock;
    bool ok = f.size() == 60 + size_t(blocks) * ima.blockAlign &&
              std::equal(f.begin(), f.begin() + 4, "RIFF") && Get32(f, 4) == f.size() - 8 &&
              std::equal(f.begin() + 8, f.begin() + 16, "WAVEfmt ") && Get32(f, 16) == 20 &&
              Get16(f, 20) == 0x11 && Get16(f, 22) == uint32_t(INTRO_CHANNELS) &&
              Get32(f, 24) == uint32_t(INTRO_RATE) && Get16(f, 32) == uint32_t(ima.blockAlign) &&
              Get16(f, 34) == 4 && Get16(f, 36) == 2 &&
              Get16(f, 38) == uint32_t(ima.samplesPerBlock) &&
              std::equal(f.begin() + 40, f.begin() + 44, "fact") && Get32(f, 48) == frames &&
              std::equal(f.begin() + 52, f.begin() + 56, "data") && Get32(f, 56) == f.size() - 60;
    Expect(ok, "intro.wav is IMA ADPCM in whole blocks, " + std::to_string(frames) + " frames");
    if (!ok)
        return {};
    return DecodeImaAdpcm(Bytes(f.begin() + 60, f.end()), INTRO_CHANNELS, ima.blockAlign);
}

void CheckSounds(const std::string &dir)
{
    std::vector<int16_t> intro = CheckIntro(dir);
    int peak = 0, sideways = 0;
    for (size_t i = 0; i + 1 < intro.size(); i += 2) {
        peak = std::max({peak, std::abs(int(intro[i])), std::abs(int(intro[i + 1]))});
        sideways = std::max(sideways, std::abs(intro[i] - intro[i + 1]));
    }
    double dbfs = 20 * std::log10(std::max(peak, 1) / 32768.0);
    Expect(dbfs > -7 && dbfs < -5, "intro.wav peaks near -6 dBFS");
    Expect(sideways > 1000, "intro.wav has stereo spread");
    bool quietEnds = intro.size() > 4 && intro[0] == 0 && intro[1] == 0 &&
                     std::abs(intro.back()) < 16 && std::abs(intro[intro.size() - 2]) < 16;
    Expect(quietEnds, "intro.wav starts and ends in silence");
    std::vector<int16_t> click = CheckWav(dir, "res/click.wav", 1, 22050, 684);
    double sum = 0;
    for (int16_t v : click)
        sum += v;
    Expect(!click.empty() && std::abs(sum / double(click.size())) < 8,
           "click.wav has no DC offset");
    CheckWav(dir, "disc/autorun/chime.wav", 1, 22050, 2646);
}

// A line of a [SetupBtn_...] section: the normal picture shows its glyph on
// the key colour; the hot one is cut from the backdrop where the line places
// the button, so its edge is the backdrop's.
void CheckButton(const std::string &dir, const Bytes &back, const std::string &line)
{
    char normalName[64] = "", hotName[64] = "";
    int x = -1, y = -1, w = 0, h = 0, r = 0, g = 0, b = 0;
    int fields =
        std::sscanf(line.c_str(), "%*[^=]=autorun\\%63[^,],autorun\\%63[^,],%d,%d,%d,%d,%d,%d,%d",
                    normalName, hotName, &x, &y, &w, &h, &r, &g, &b);
    bool placed = fields == 9 && w == 64 && h == 64 && x >= 0 && y >= 0 && x + w <= 640 &&
                  y + h <= 480 && Rgb{uint8_t(r), uint8_t(g), uint8_t(b)} == COLOR_KEY;
    Expect(placed, line + ": 64x64 inside the backdrop, keyed on magenta");
    Bytes normal = ReadBytes(dir + "disc/autorun/" + normalName);
    Bytes hot = ReadBytes(dir + "disc/autorun/" + hotName);
    bool read = HasBmpHeader(normal, 64, 64, 24) && HasBmpHeader(hot, 64, 64, 24);
    Expect(read, line + ": both pictures are 64x64, 24 bits");
    if (!placed || !read || back.empty())
        return;
    int keyed = 0, fringe = 0, hotKeyed = 0, edgeMisses = 0;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            Rgb p = BmpPixel(normal, i, j), q = BmpPixel(hot, i, j);
            keyed += p == COLOR_KEY;
            fringe += p != COLOR_KEY && p.r > 150 && p.b > 150 && p.g < 110;
            hotKeyed += q == COLOR_KEY;
            bool edge = i == 0 || j == 0 || i == 63 || j == 63;
            edgeMisses += edge && q != BmpPixel(back, x + i, y + j);
        }
    Expect(BmpPixel(normal, 0, 0) == COLOR_KEY && BmpPixel(normal, 63, 63) == COLOR_KEY &&
               keyed > 1000 && keyed < 3800,
           std::string(normalName) + " draws a glyph on the key colour");
    Expect(fringe == 0, std::string(normalName) + " has no near-magenta fringe");
    Expect(hotKeyed == 0 && edgeMisses == 0, std::string(hotName) +
                                                 " is opaque and its edge is the backdrop at " +
                                                 std::to_string(x) + "," + std::to_string(y));
    // Drawn again at twice the size for displays at 200 %.
    for (std::string name : {std::string(normalName), std::string(hotName)}) {
        Bytes twice = ReadBytes(dir + "disc/autorun/" + name.insert(name.rfind('.'), "@2x"));
        Expect(HasBmpHeader(twice, 128, 128, 24) &&
                   (BmpPixel(twice, 0, 0) == COLOR_KEY) == (name.find("_hot") == std::string::npos),
               name + " is 128x128, keyed as its plain picture is");
    }
}

void CheckPictures(const std::string &dir, const std::string &iniPath)
{
    Bytes f = ReadBytes(dir + "res/background.bmp");
    std::vector<uint8_t> drawn = DrawBuiltinBackground(), read = DecodeRle4(f);
    Expect(read == drawn,
           "background.bmp is 537x386, 16 colours, RLE4 that decodes to the drawing");
    Expect(std::set<uint8_t>(drawn.begin(), drawn.end()).size() >= 13,
           "background.bmp uses the palette's range");
    Expect(HasBmpHeader(ReadBytes(dir + "disc/autorun/back@2x.bmp"), 1280, 960, 24),
           "back@2x.bmp is 1280x960, 24 bits");
    Bytes back = ReadBytes(dir + "disc/autorun/back.bmp");
    Expect(HasBmpHeader(back, 640, 480, 24), "back.bmp is 640x480, 24 bits");
    if (!HasBmpHeader(back, 640, 480, 24))
        back.clear();
    f = ReadBytes(iniPath);
    std::istringstream ini(std::string(f.begin(), f.end()));
    std::string line, section;
    int buttons = 0;
    while (std::getline(ini, line)) {
        if (line.rfind("[", 0) == 0)
            section = line;
        else if (section.rfind("[SetupBtn_", 0) == 0 && line.find(".bmp") != std::string::npos)
            CheckButton(dir, back, line), ++buttons;
    }
    Expect(buttons >= 6, iniPath + " places the sample's buttons");
    CheckIcon(dir, "disc/autorun/disc.ico");
    CheckIcon(dir, "res/launcher.ico");
}

void CheckTexts(const std::string &dir)
{
    Bytes f = ReadBytes(dir + "disc/README.TXT");
    bool crlf = !f.empty();
    for (size_t i = 0; i < f.size(); ++i)
        crlf = crlf && (f[i] != '\n' || (i > 0 && f[i - 1] == '\r'));
    Expect(crlf && std::string(f.begin(), f.end()).find("Harbor Suite 2027") != std::string::npos,
           "README.TXT names the product and uses CRLF");
    Expect(!ReadBytes(dir + "disc/extras/LICENSE.TXT").empty(), "extras/LICENSE.TXT exists");
}
} // namespace

int RunChecks(const std::string &outDir, const std::string &iniPath)
{
    CheckSounds(outDir + "/");
    CheckPictures(outDir + "/", iniPath);
    CheckTexts(outDir + "/");
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
