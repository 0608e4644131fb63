#include <algorithm>
#include <fstream>
#include <iterator>

#include "assetgen.h"

void put16(Bytes &b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

namespace {
void putBE32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

void putFileHeader(Bytes &b, uint32_t fileSize, uint32_t offBits)
{
    b.push_back('B');
    b.push_back('M');
    put32(b, fileSize);
    put32(b, 0);
    put32(b, offBits);
}

// BITMAPINFOHEADER; a positive height means bottom-up rows.
void putInfoHeader(Bytes &b, int w, int h, int bits, uint32_t imageSize, uint32_t colours)
{
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h));
    put16(b, 1);
    put16(b, uint32_t(bits));
    put32(b, 0); // BI_RGB
    put32(b, imageSize);
    put32(b, 2835); // 72 dpi
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
}

void putPalette(Bytes &b, const std::vector<Rgb> &palette)
{
    for (Rgb c : palette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        b.push_back(0);
    }
}

// 4 bits per pixel, left pixel in the high nibble, rows padded to 4 bytes.
void putNibbleRows(Bytes &b, int w, int h, const std::vector<uint8_t> &index)
{
    size_t stride = ((size_t(w) + 7) / 8) * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x)
            row[x / 2] |= uint8_t((index[size_t(y) * w + x] & 15) << (x % 2 ? 0 : 4));
        b.insert(b.end(), row.begin(), row.end());
    }
}

void putChunk(Bytes &out, const char *type, const Bytes &data)
{
    putBE32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes zlibStored(const Bytes &raw)
{
    Bytes z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        put16(z, uint32_t(n));
        put16(z, uint32_t(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    putBE32(z, adler32(raw.data(), raw.size()));
    return z;
}

int lowestBit(uint32_t m)
{
    int s = 0;
    while (s < 32 && !(m & (1u << s)))
        ++s;
    return s;
}

uint8_t channel(uint32_t pixel, uint32_t mask)
{
    if (!mask)
        return 0;
    uint32_t max = mask >> lowestBit(mask);
    return uint8_t(uint64_t((pixel & mask) >> lowestBit(mask)) * 255u / max);
}
} // namespace

uint32_t le16(const Bytes &b, size_t at)
{
    return b[at] | uint32_t(b[at + 1]) << 8;
}
uint32_t le32(const Bytes &b, size_t at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

uint32_t crc32(const uint8_t *data, size_t n, uint32_t crc)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const uint8_t *data, size_t n)
{
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < n; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

Bytes bmp24(const Image &img)
{
    size_t stride = (size_t(img.w) * 3 + 3) & ~size_t(3);
    uint32_t imageSize = uint32_t(stride * img.h);
    Bytes b;
    putFileHeader(b, 54 + imageSize, 54);
    putInfoHeader(b, img.w, img.h, 24, imageSize, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            Rgb c = img.at(x, y);
            b.insert(b.end(), {c.b, c.g, c.r});
        }
        b.resize(b.size() + stride - size_t(img.w) * 3, 0);
    }
    return b;
}

Bytes bmp4(int w, int h, const std::vector<uint8_t> &index, const std::vector<Rgb> &palette)
{
    uint32_t imageSize = uint32_t(((size_t(w) + 7) / 8) * 4 * h);
    uint32_t offBits = 14 + 40 + 4 * 16;
    Bytes b;
    putFileHeader(b, offBits + imageSize, offBits);
    putInfoHeader(b, w, h, 4, imageSize, 16);
    putPalette(b, palette);
    putNibbleRows(b, w, h, index);
    return b;
}

// One 32x32 image; the AND mask (1 = transparent) follows the colour rows,
// which is why the header states twice the height.
Bytes ico4(const std::vector<uint8_t> &index, const std::vector<bool> &transparent,
           const std::vector<Rgb> &palette)
{
    const int n = 32;
    const uint32_t xorSize = n * n / 2, andSize = n * n / 8,
                   imageSize = 40 + 64 + xorSize + andSize;
    Bytes b;
    put16(b, 0);
    put16(b, 1); // icon
    put16(b, 1); // one image
    b.insert(b.end(), {uint8_t(n), uint8_t(n), 16, 0});
    put16(b, 1); // planes
    put16(b, 4); // bits per pixel
    put32(b, imageSize);
    put32(b, 6 + 16);
    putInfoHeader(b, n, 2 * n, 4, xorSize + andSize, 16);
    putPalette(b, palette);
    putNibbleRows(b, n, n, index);
    for (int y = n - 1; y >= 0; --y)
        for (int byte = 0; byte < n / 8; ++byte) {
            uint8_t bits = 0;
            for (int i = 0; i < 8; ++i)
                if (transparent[size_t(y) * n + byte * 8 + i])
                    bits |= uint8_t(0x80 >> i);
            b.push_back(bits);
        }
    return b;
}

Bytes png(const Image &img)
{
    Bytes raw;
    raw.reserve(size_t(img.h) * (1 + size_t(img.w) * 3));
    for (int y = 0; y < img.h; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < img.w; ++x) {
            Rgb c = img.at(x, y);
            raw.insert(raw.end(), {c.r, c.g, c.b});
        }
    }
    Bytes header;
    putBE32(header, uint32_t(img.w));
    putBE32(header, uint32_t(img.h));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", zlibStored(raw));
    putChunk(out, "IEND", {});
    return out;
}

// Uncompressed 24- or 32-bit BMPs (BI_RGB or BI_BITFIELDS), either row order.
// Every offset is checked against the file size before it is read.
bool readBmp(const Bytes &f, Image &out, std::string &error)
{
    auto fail = [&](const char *why) {
        error = why;
        return false;
    };
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M')
        return fail("not a BMP file");
    uint32_t offBits = le32(f, 10), headerSize = le32(f, 14);
    if (headerSize < 40 || 14 + uint64_t(headerSize) > f.size())
        return fail("unsupported BMP header");
    int32_t w = int32_t(le32(f, 18)), h = int32_t(le32(f, 22));
    uint32_t bits = le16(f, 28), compression = le32(f, 30);
    if (w <= 0 || h == 0 || w > 32768 || h > 32768 || h < -32768)
        return fail("bad BMP dimensions");
    if (bits != 24 && bits != 32)
        return fail("only 24- and 32-bit BMPs are supported");
    uint32_t rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF;
    if (compression == 3 && bits == 32) {
        if (f.size() < 66)
            return fail("truncated BMP colour masks");
        rMask = le32(f, 54), gMask = le32(f, 58), bMask = le32(f, 62);
    } else if (compression != 0) {
        return fail("compressed BMPs are not supported");
    }
    bool topDown = h < 0;
    int rows = topDown ? -h : h;
    uint64_t stride = (uint64_t(w) * (bits / 8) + 3) & ~uint64_t(3);
    if (uint64_t(offBits) + stride * rows > f.size())
        return fail("truncated BMP pixel data");
    out = Image(w, rows);
    for (int y = 0; y < rows; ++y) {
        size_t row = size_t(offBits + stride * (topDown ? y : rows - 1 - y));
        for (int x = 0; x < w; ++x) {
            size_t p = row + size_t(x) * (bits / 8);
            if (bits == 24) {
                out.at(x, y) = {f[p + 2], f[p + 1], f[p]};
            } else {
                uint32_t v = le32(f, p);
                out.at(x, y) = {channel(v, rMask), channel(v, gMask), channel(v, bMask)};
            }
        }
    }
    return true;
}

bool readFile(const std::string &path, Bytes &out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}
