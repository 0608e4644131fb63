// --check: re-reads a generated tree and verifies what the launcher and the
// resource compiler rely on.
#include <cmath>
#include <cstdio>
#include <map>
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

uint32_t be32(const Bytes &b, size_t at)
{
    return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// Decodes what png() writes (stored blocks, filter 0), checking every field.
bool parsePng(const Bytes &f, Image &out, std::string &error, int *blocks)
{
    auto fail = [&](const std::string &why) { return error = why, false; };
    const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (f.size() < 8 || !std::equal(sig, sig + 8, f.begin()))
        return fail("signature");
    Bytes header, z;
    size_t pos = 8;
    bool ended = false;
    while (!ended) {
        if (pos + 12 > f.size())
            return fail("truncated chunk");
        uint32_t len = be32(f, pos);
        if (pos + 12 + uint64_t(len) > f.size())
            return fail("chunk length");
        std::string type(f.begin() + long(pos) + 4, f.begin() + long(pos) + 8);
        if (crc32(f.data() + pos + 4, len + 4) != be32(f, pos + 8 + len))
            return fail("CRC of " + type);
        Bytes data(f.begin() + long(pos) + 8, f.begin() + long(pos + 8 + len));
        if (type == "IHDR")
            header = data;
        if (type == "IDAT")
            z.insert(z.end(), data.begin(), data.end());
        ended = type == "IEND";
        pos += 12 + len;
    }
    if (pos != f.size() || header.size() != 13)
        return fail("layout");
    int w = int(be32(header, 0)), h = int(be32(header, 4));
    if (header[8] != 8 || header[9] != 2 || header[10] || header[11] || header[12])
        return fail("IHDR format");
    if (z.size() < 6 || (z[0] * 256 + z[1]) % 31 != 0 || (z[0] & 15) != 8)
        return fail("zlib header");
    Bytes raw;
    *blocks = 0;
    for (size_t p = 2;;) {
        ++*blocks;
        if (p + 5 > z.size() || (z[p] & 6) != 0)
            return fail("not a stored block");
        uint32_t n = z[p + 1] | z[p + 2] << 8, check = z[p + 3] | z[p + 4] << 8;
        if ((n ^ check) != 0xFFFF || p + 5 + n > z.size())
            return fail("block length");
        raw.insert(raw.end(), z.begin() + long(p) + 5, z.begin() + long(p + 5 + n));
        bool last = z[p] & 1;
        p += 5 + n;
        if (last) {
            if (p + 4 != z.size() || be32(z, p) != adler32(raw.data(), raw.size()))
                return fail("Adler-32");
            break;
        }
    }
    if (raw.size() != size_t(h) * (1 + size_t(w) * 3))
        return fail("pixel data size");
    out = Image(w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t *row = raw.data() + size_t(y) * (1 + size_t(w) * 3);
        if (row[0] != 0)
            return fail("filter type");
        for (int x = 0; x < w; ++x)
            out.at(x, y) = {row[1 + x * 3], row[2 + x * 3], row[3 + x * 3]};
    }
    return true;
}

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

void checkDiscPictures(Checker &c, const std::string &dir)
{
    Bytes f;
    Image back, img;
    std::string error;
    readFile(dir + "/res/background.bmp", f);
    c.expect(bmpHeaderIs(f, 537, 386, 4), "background.bmp is 537x386, 16 colours, bottom-up");
    std::set<int> used;
    for (size_t i = 118; i < f.size(); ++i)
        used.insert({f[i] >> 4, f[i] & 15});
    c.expect(used.size() >= 14, "background.bmp uses the palette's range");
    readFile(dir + "/disc/autorun/back.bmp", f);
    c.expect(bmpHeaderIs(f, 640, 480, 24) && readBmp(f, back, error),
             "back.bmp is 640x480, 24 bits");
    for (const Button &b : sampleLayout()) {
        std::string base = dir + "/disc/autorun/" + b.name;
        bool normalOk =
            readFile(base + ".bmp", f) && bmpHeaderIs(f, 64, 64, 24) && readBmp(f, img, error);
        c.expect(normalOk, b.name + ".bmp is 64x64, 24 bits");
        if (!normalOk || back.w != 640)
            continue;
        int keyed = 0, fringe = 0;
        for (Rgb p : img.px)
            keyed += p == kMagenta, fringe += nearKey(p);
        c.expect(img.at(0, 0) == kMagenta && img.at(63, 63) == kMagenta && keyed > 1000 &&
                     keyed < 3800,
                 b.name + ".bmp draws a glyph on the key colour");
        c.expect(fringe == 0, b.name + ".bmp has no near-magenta fringe");
        bool hotOk =
            readFile(base + "_hot.bmp", f) && bmpHeaderIs(f, 64, 64, 24) && readBmp(f, img, error);
        c.expect(hotOk, b.name + "_hot.bmp is 64x64, 24 bits");
        if (!hotOk)
            continue;
        bool opaque = true, edgeMatches = true;
        for (Rgb p : img.px)
            opaque = opaque && p != kMagenta;
        for (int i = 0; i < 64; ++i)
            for (auto [x, y] : {std::pair{i, 0}, {i, 63}, {0, i}, {63, i}})
                edgeMatches = edgeMatches && img.at(x, y) == back.at(b.x + x, b.y + y);
        c.expect(opaque && edgeMatches,
                 b.name + "_hot.bmp is opaque and its edge is the background");
    }
    readFile(dir + "/disc/autorun/disc.ico", f);
    checkIcon(c, "disc.ico", f);
    readFile(dir + "/res/launcher.ico", f);
    checkIcon(c, "launcher.ico", f);
}

void checkLayoutAndText(Checker &c, const std::string &dir)
{
    Bytes f;
    readFile(dir + "/disc/layout.txt", f);
    std::istringstream in(std::string(f.begin(), f.end()));
    std::map<std::string, std::pair<int, int>> image, label;
    std::string word, name;
    int x, y;
    while (in >> word) {
        if (word == "label" && in >> name >> x >> y)
            label[name] = {x, y};
        else if (in >> x >> y)
            image[word] = {x, y};
    }
    bool placed = image.size() == 6 && label.size() == 6;
    for (auto &[n, p] : image) {
        placed =
            placed && p.first >= 0 && p.second >= 0 && p.first + 64 <= 640 && p.second + 64 <= 480;
        for (auto &[m, q] : image)
            placed = placed && (n == m || std::abs(p.first - q.first) >= 64 ||
                                std::abs(p.second - q.second) >= 64);
        placed = placed && label.count(n) && label[n].first >= p.first + 64 &&
                 label[n].second + 32 <= 480;
    }
    c.expect(placed, "layout.txt places six buttons and captions inside 640x480 without overlap");
    readFile(dir + "/disc/README.TXT", f);
    bool crlf = !f.empty();
    for (size_t i = 0; i < f.size(); ++i)
        crlf = crlf && (f[i] != '\n' || (i > 0 && f[i - 1] == '\r'));
    c.expect(crlf && std::string(f.begin(), f.end()).find("Harbor Suite 2027") != std::string::npos,
             "README.TXT names the product and uses CRLF");
    c.expect(readFile(dir + "/disc/extras/LICENSE.TXT", f) && !f.empty(),
             "extras/LICENSE.TXT exists");
}

void checkConverter(Checker &c)
{
    // Long enough for the Adler sums to wrap; values from an independent zlib.
    Bytes sample(70000);
    for (size_t i = 0; i < sample.size(); ++i)
        sample[i] = uint8_t(i * 7 + 3);
    c.expect(crc32(sample.data(), sample.size()) == 0xE0290E8Eu, "CRC-32 of a known sample");
    c.expect(adler32(sample.data(), sample.size()) == 0x8E7B36C1u, "Adler-32 of a known sample");
    Image img(223, 131); // odd width exercises row padding; > 64 KiB of rows
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            img.at(x, y) = {uint8_t(x), uint8_t(y * 2), uint8_t(x ^ y)};
    Image back, decoded;
    std::string error;
    int blocks = 0;
    c.expect(readBmp(bmp24(img), back, error) && back.px == img.px, "24-bit BMP reads back");
    c.expect(parsePng(png(img), decoded, error, &blocks) && decoded.w == 223 &&
                 decoded.px == img.px,
             "PNG round trip (" + error + ")");
    c.expect(blocks == 2, "PNG splits rows into stored blocks of at most 65535 bytes");
    c.expect(parsePng(png(Image(1, 1)), decoded, error, &blocks) && blocks == 1,
             "PNG of a single pixel");

    // 2x2, 32 bits, top-down, BI_BITFIELDS with blue in the high byte.
    Bytes bmp(54 + 12 + 16, 0);
    const uint32_t fields[] = {0x4D42,       0, 0,  0, 66, 40, 2, uint32_t(-2),
                               1 | 32 << 16, 3, 16, 0, 0,  0,  0};
    size_t at = 0;
    auto poke = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bmp[at++] = uint8_t(v >> (8 * i));
    };
    const int sizes[] = {2, 4, 2, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
    for (int i = 0; i < 15; ++i)
        poke(fields[i], sizes[i]);
    at = 54;
    for (uint32_t m : {0x0000FF00u, 0x00FF0000u, 0xFF000000u, 0x11223344u, 0x55667788u, 0x99AABBCCu,
                       0xDDEEFF00u})
        poke(m, 4);
    bool ok = readBmp(bmp, decoded, error) && decoded.w == 2 && decoded.h == 2;
    c.expect(ok && decoded.at(0, 0) == Rgb{0x33, 0x22, 0x11} &&
                 decoded.at(1, 1) == Rgb{0xFF, 0xEE, 0xDD},
             "32-bit top-down BMP with colour masks");

    Bytes truncated = bmp24(img);
    truncated.pop_back();
    Bytes wrongDepth = bmp24(img);
    wrongDepth[28] = 16;
    Bytes huge = bmp24(img);
    huge[21] = 0x7F;
    c.expect(!readBmp(truncated, decoded, error) && !readBmp(wrongDepth, decoded, error) &&
                 !readBmp(huge, decoded, error) && !readBmp(Bytes(10, 'B'), decoded, error),
             "unreadable BMPs are refused");
}
} // namespace

int runChecks(const std::string &dir)
{
    Checker c;
    for (const Asset &a : buildAssets()) {
        Bytes f;
        c.expect(readFile(dir + "/" + a.first, f) && f == a.second,
                 a.first + " matches a fresh generation");
    }
    checkSounds(c, dir);
    checkDiscPictures(c, dir);
    checkLayoutAndText(c, dir);
    checkConverter(c);
    std::printf("%d passed, %d failed\n", c.passed, c.failed);
    return c.failed ? 1 : 0;
}
