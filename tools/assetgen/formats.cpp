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
void PutInfoHeader(Bytes &b, int w, int h, int bits, uint32_t imageSize, uint32_t colours,
                   uint32_t compression = 0)
{
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    Put32(b, compression);
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

// One row of 4-bit pixels in BI_RLE4 codes, as short as they go: a run is two
// bytes for up to 255 pixels that alternate between two colours, a literal is
// two bytes and the pixels packed two a byte, padded to a whole word.
Bytes EncodeRle4Row(const uint8_t *px, int w)
{
    const int MAX_RUN = 255, NO_CHOICE = 0;
    std::vector<int> cost(size_t(w) + 1, 0), length(size_t(w) + 1, 0);
    std::vector<bool> literal(size_t(w) + 1, false);
    for (int i = w - 1; i >= 0; --i) {
        cost[i] = 1 << 30;
        int run = 1;
        while (run < MAX_RUN && i + run < w && px[i + run] == px[i + run % 2])
            ++run;
        for (int n = 1; n <= run; ++n)
            if (2 + cost[i + n] < cost[i])
                cost[i] = 2 + cost[i + n], length[i] = n, literal[i] = false;
        for (int n = 3; n <= MAX_RUN && i + n <= w; ++n) {
            int bytes = 2 + ((n + 3) / 4) * 2;
            if (bytes + cost[i + n] < cost[i])
                cost[i] = bytes + cost[i + n], length[i] = n, literal[i] = true;
        }
    }
    Bytes b;
    for (int i = 0; i < w; i += length[i]) {
        int n = length[i];
        if (!literal[i]) {
            b.insert(b.end(), {uint8_t(n), uint8_t(px[i] << 4 | (n > 1 ? px[i + 1] : NO_CHOICE))});
            continue;
        }
        b.insert(b.end(), {0, uint8_t(n)});
        for (int k = 0; k < n; k += 2)
            b.push_back(uint8_t(px[i + k] << 4 | (k + 1 < n ? px[i + k + 1] : 0)));
        if ((n + 1) / 2 % 2)
            b.push_back(0);
    }
    return b;
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

Bytes EncodeBmp4Rle(int w, int h, const std::vector<uint8_t> &index,
                    const std::vector<Rgb> &palette)
{
    Bytes codes;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row = EncodeRle4Row(&index[size_t(y) * w], w);
        codes.insert(codes.end(), row.begin(), row.end());
        codes.insert(codes.end(), {0, uint8_t(y ? 0 : 1)}); // end of line, or of the picture
    }
    uint32_t offBits = 14 + 40 + 4 * 16;
    Bytes b;
    PutFileHeader(b, offBits + uint32_t(codes.size()), offBits);
    PutInfoHeader(b, w, h, 4, uint32_t(codes.size()), 16, 2); // BI_RLE4
    PutPalette(b, palette);
    b.insert(b.end(), codes.begin(), codes.end());
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
