#include "assetgen.h"

void Put16(Bytes &b, uint32_t v)
{
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
}

void Put32(Bytes &b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

namespace {
void PutFileHeader(Bytes &b, uint32_t fileSize, uint32_t offBits)
{
    b.insert(b.end(), {'B', 'M'});
    Put32(b, fileSize);
    Put32(b, 0);
    Put32(b, offBits);
}

// BITMAPINFOHEADER; a positive height means bottom-up rows.
void PutInfoHeader(Bytes &b, int w, int h, int bits, uint32_t imageSize, uint32_t colours)
{
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    Put32(b, 0); // BI_RGB
    Put32(b, imageSize);
    Put32(b, 2835); // 72 dpi
    Put32(b, 2835);
    Put32(b, colours);
    Put32(b, 0);
}

void PutPalette(Bytes &b, const std::vector<Rgb> &palette)
{
    for (Rgb c : palette)
        b.insert(b.end(), {c.b, c.g, c.r, 0});
}

// 4 bits per pixel, left pixel in the high nibble, rows padded to 4 bytes.
void PutNibbleRows(Bytes &b, int w, int h, const std::vector<uint8_t> &index)
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

Bytes EncodeBmp24(const Image &img)
{
    size_t stride = (size_t(img.w) * 3 + 3) & ~size_t(3);
    uint32_t imageSize = uint32_t(stride * img.h);
    Bytes b;
    PutFileHeader(b, 54 + imageSize, 54);
    PutInfoHeader(b, img.w, img.h, 24, imageSize, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            Rgb c = img.At(x, y);
            b.insert(b.end(), {c.b, c.g, c.r});
        }
        b.resize(b.size() + stride - size_t(img.w) * 3, 0);
    }
    return b;
}

Bytes EncodeBmp4(int w, int h, const std::vector<uint8_t> &index, const std::vector<Rgb> &palette)
{
    uint32_t imageSize = uint32_t(((size_t(w) + 7) / 8) * 4 * h);
    uint32_t offBits = 14 + 40 + 4 * 16;
    Bytes b;
    PutFileHeader(b, offBits + imageSize, offBits);
    PutInfoHeader(b, w, h, 4, imageSize, 16);
    PutPalette(b, palette);
    PutNibbleRows(b, w, h, index);
    return b;
}

// Square 16-colour images, each with its AND mask (1 = transparent) behind
// the colour rows, which is why each header states twice the height.
Bytes EncodeIco4(const std::vector<IconImage> &images)
{
    Bytes b;
    Put16(b, 0);
    Put16(b, 1); // icon
    Put16(b, uint32_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (const IconImage &image : images) {
        const uint32_t n = image.size, andStride = ((n + 31) / 32) * 4;
        const uint32_t imageSize = 40 + 64 + n * n / 2 + andStride * n;
        b.insert(b.end(), {uint8_t(n), uint8_t(n), 16, 0});
        Put16(b, 1); // planes
        Put16(b, 4); // bits per pixel
        Put32(b, imageSize);
        Put32(b, offset);
        offset += imageSize;
    }
    for (const IconImage &image : images) {
        const int n = image.size;
        const uint32_t andStride = ((n + 31) / 32) * 4;
        PutInfoHeader(b, n, 2 * n, 4, n * n / 2 + andStride * n, 16);
        PutPalette(b, image.palette);
        PutNibbleRows(b, n, n, image.index);
        for (int y = n - 1; y >= 0; --y) {
            Bytes row(andStride, 0);
            for (int x = 0; x < n; ++x)
                if (image.transparent[size_t(y) * n + x])
                    row[x / 8] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
    }
    return b;
}
