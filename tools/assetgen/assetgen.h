// Shared declarations of the asset generator: raster drawing, file formats,
// the artwork itself and the sounds.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};
inline bool operator==(Rgb a, Rgb b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(Rgb a, Rgb b)
{
    return !(a == b);
}

const Rgb COLOR_KEY{255, 0, 255}; // the launcher's transparent colour key

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Image(int width, int height, Rgb fill = {})
        : w(width), h(height), px(size_t(width) * height, fill)
    {
    }
    Rgb &At(int x, int y) { return px[size_t(y) * w + x]; }
    Rgb At(int x, int y) const { return px[size_t(y) * w + x]; }
};

// Half-open pixel rectangle; the default covers any image.
struct Box {
    int x0 = 0, y0 = 0, x1 = 1 << 30, y1 = 1 << 30;
};

// Shapes are signed distance functions (negative inside) of a pixel centre.
using Sdf = std::function<float(float, float)>;
using Paint = std::function<Rgb(float, float)>;
using Points = std::vector<std::pair<float, float>>;

// image.cpp
Rgb MixRgb(Rgb a, Rgb b, float t);
Rgb DitherRgb(float r, float g, float b, int x, int y);
float BayerThreshold(int x, int y);
Paint PaintSolid(Rgb c);
Paint PaintGradient(Rgb top, Rgb bottom, float y0, float y1);
void MapPixels(Image &img, Box box, const std::function<Rgb(int, int, Rgb)> &op);
void FillShape(Image &img, const Sdf &shape, const Paint &paint, float opacity = 1.0f,
               float softness = 1.0f, Box box = {});
Image CropImage(const Image &img, int x, int y, int w, int h);
namespace sdf {
float Circle(float x, float y, float cx, float cy, float r);
float Ellipse(float x, float y, float cx, float cy, float rx, float ry);
float RoundBox(float x, float y, float cx, float cy, float hw, float hh, float r);
float Segment(float x, float y, float ax, float ay, float bx, float by, float halfWidth);
float Convex(float x, float y, const Points &pts);
} // namespace sdf

// font.cpp: the letters of the backdrop's titles in a 5x7 pixel font, drawn at
// integer scale; a letter the font lacks is left blank.
void DrawText(Image &img, int x, int y, const std::string &text, int scale, Rgb colour,
              float opacity = 1.0f);

// formats.cpp
Bytes EncodeBmp24(const Image &img);
struct IconImage {
    int size;
    std::vector<uint8_t> index;
    std::vector<bool> transparent;
    std::vector<Rgb> palette;
};
Bytes EncodeIco4(const std::vector<IconImage> &images);
// 16 colours, run-length encoded (BI_RLE4).
Bytes EncodeBmp4Rle(int w, int h, const std::vector<uint8_t> &index,
                    const std::vector<Rgb> &palette);
void Put16(Bytes &b, uint32_t v);
void Put32(Bytes &b, uint32_t v);

// art.cpp
using Picture = std::pair<std::string, Image>;
Bytes MakeLauncherIcon();
Bytes MakeDiscIcon();
const int BUILTIN_BACKGROUND_W = 537, BUILTIN_BACKGROUND_H = 386;
std::vector<uint8_t> DrawBuiltinBackground(); // palette indices, top row first
Bytes MakeBuiltinBackground();
// The sample disc's art at 1 or 2 times its size (for displays at 200 %).
Image DrawDiscBackdrop(int scale);
// The sample disc's buttons as NAME.bmp and NAME_hot.bmp (NAME@2x.bmp and
// NAME_hot@2x.bmp at scale 2), each cut from the backdrop of that scale where
// the sample's AUTORUN.INI places it.
std::vector<Picture> DrawSampleButtons(const Image &backdrop, int scale);

// sound.cpp: WAV files. The intro is IMA ADPCM, which every Windows decodes
// with its own codec: at 4 bits a sample it keeps the launcher small. One
// channel at 22.05 kHz is 76 KiB and sounds as two do (32 dB from the
// original either way); two would take the launcher past 256 KiB.
const int INTRO_SECONDS = 7, INTRO_RATE = 22050, INTRO_CHANNELS = 1;
struct ImaChannel {
    int predictor = 0, index = 0;
};
struct ImaFormat {
    int channels = 0, rate = 0, blockAlign = 0, samplesPerBlock = 0;
};
ImaFormat ImaFormatFor(int channels, int rate);
Bytes EncodeImaAdpcm(const std::vector<int16_t> &samples, int channels, int rate);
// Whole blocks of `data` (a data chunk's bytes) as 16-bit samples, interleaved.
std::vector<int16_t> DecodeImaAdpcm(const Bytes &data, int channels, int blockAlign);
std::vector<int16_t> SynthesiseIntro(int rate, int channels);
Bytes MakeIntroChime();
Bytes MakeClickSound();
Bytes MakeHoverChime();

// check.cpp
int RunChecks(const std::string &outDir, const std::string &iniPath);
