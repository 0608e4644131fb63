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

} // namespace

uint32_t le16(const Bytes &b, size_t at)
{
    return b[at] | uint32_t(b[at + 1]) << 8;
}
uint32_t le32(const Bytes &b, size_t at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
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

bool readFile(const std::string &path, Bytes &out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}
