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

const Rgb kMagenta{255, 0, 255}; // the launcher's transparent colour key

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Image() = default;
    Image(int width, int height, Rgb fill = {})
        : w(width), h(height), px(size_t(width) * height, fill)
    {
    }
    Rgb &at(int x, int y) { return px[size_t(y) * w + x]; }
    Rgb at(int x, int y) const { return px[size_t(y) * w + x]; }
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
Rgb mix(Rgb a, Rgb b, float t);
Rgb rgbDithered(float r, float g, float b, int x, int y);
float bayer8(int x, int y);
Paint solid(Rgb c);
Paint vertical(Rgb top, Rgb bottom, float y0, float y1);
void apply(Image &img, Box box, const std::function<Rgb(int, int, Rgb)> &op);
void fillShape(Image &img, const Sdf &shape, const Paint &paint, float opacity = 1.0f,
               float softness = 1.0f, Box box = {});
Image crop(const Image &img, int x, int y, int w, int h);
namespace sdf {
float circle(float x, float y, float cx, float cy, float r);
float ellipse(float x, float y, float cx, float cy, float rx, float ry);
float roundBox(float x, float y, float cx, float cy, float hw, float hh, float r);
float segment(float x, float y, float ax, float ay, float bx, float by, float halfWidth);
float convex(float x, float y, const Points &pts);
} // namespace sdf

// font.cpp: a 5x7 pixel font (plus a descender row), drawn at integer scale.
void drawText(Image &img, int x, int y, const std::string &text, int scale, Rgb colour,
              float opacity = 1.0f);

// formats.cpp
Bytes bmp24(const Image &img);
Bytes bmp4(int w, int h, const std::vector<uint8_t> &index, const std::vector<Rgb> &palette);
Bytes ico4(const std::vector<uint8_t> &index, const std::vector<bool> &transparent,
           const std::vector<Rgb> &palette);
bool readFile(const std::string &path, Bytes &out);
uint32_t le16(const Bytes &b, size_t at);
void put16(Bytes &b, uint32_t v);
uint32_t le32(const Bytes &b, size_t at);
void put32(Bytes &b, uint32_t v);

// art.cpp
struct Button {
    std::string name;
    int x, y; // top-left of the 64x64 image in the 640x480 client area
};
const int kButtonSize = 64;
std::vector<Button> sampleLayout();
Bytes launcherIcon();
Bytes discIcon();
Bytes builtinBackground();
Image discBackdrop();
Image buttonNormal(const Image &backdrop, const Button &b);
Image buttonHot(const Image &backdrop, const Button &b);

// sound.cpp
struct Wave {
    int channels = 1, rate = 22050;
    std::vector<int16_t> samples; // interleaved
    size_t frames() const { return samples.size() / channels; }
};
Bytes wavFile(const Wave &w);
Wave introChime();
Wave clickSound();
Wave hoverChime();

// check.cpp
int runChecks(const std::string &outDir, const std::string &iniPath);
