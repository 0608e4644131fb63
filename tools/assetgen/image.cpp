#include <algorithm>
#include <cmath>

#include "assetgen.h"

Rgb MixRgb(Rgb a, Rgb b, float t)
{
    auto mix = [t](int x, int y) {
        return uint8_t(std::clamp(std::lround(x + (y - x) * t), 0L, 255L));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

float BayerThreshold(int x, int y)
{
    static const uint8_t m[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    return (m[y & 7][x & 7] + 0.5f) / 64.0f;
}

// Ordered dithering of the rounding step keeps smooth gradients free of bands.
Rgb DitherRgb(float r, float g, float b, int x, int y)
{
    float d = BayerThreshold(x, y);
    auto q = [d](float v) { return uint8_t(std::clamp(std::floor(v + d), 0.0f, 255.0f)); };
    return {q(r), q(g), q(b)};
}

Paint PaintSolid(Rgb c)
{
    return [c](float, float) { return c; };
}

Paint PaintGradient(Rgb top, Rgb bottom, float y0, float y1)
{
    return [=](float, float y) {
        return MixRgb(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f));
    };
}

void MapPixels(Image &img, Box box, const std::function<Rgb(int, int, Rgb)> &op)
{
    int x1 = std::min(box.x1, img.w), y1 = std::min(box.y1, img.h);
    for (int y = std::max(box.y0, 0); y < y1; ++y)
        for (int x = std::max(box.x0, 0); x < x1; ++x)
            img.At(x, y) = op(x, y, img.At(x, y));
}

// Coverage falls off over `softness` pixels around the outline: 1 gives plain
// anti-aliasing, larger values give soft shadows and glows.
void FillShape(Image &img, const Sdf &shape, const Paint &paint, float opacity, float softness,
               Box box)
{
    MapPixels(img, box, [&](int x, int y, Rgb old) {
        float fx = x + 0.5f, fy = y + 0.5f;
        float cover = std::clamp(0.5f - shape(fx, fy) / softness, 0.0f, 1.0f) * opacity;
        return cover > 0 ? MixRgb(old, paint(fx, fy), cover) : old;
    });
}

Image CropImage(const Image &img, int x, int y, int w, int h)
{
    Image out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            out.At(i, j) = img.At(x + i, y + j);
    return out;
}

namespace sdf {
float Circle(float x, float y, float cx, float cy, float r)
{
    return std::hypot(x - cx, y - cy) - r;
}

// Not an exact distance, but close enough near the outline for anti-aliasing.
float Ellipse(float x, float y, float cx, float cy, float rx, float ry)
{
    return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1.0f) * std::min(rx, ry);
}

float RoundBox(float x, float y, float cx, float cy, float hw, float hh, float r)
{
    float qx = std::abs(x - cx) - hw + r, qy = std::abs(y - cy) - hh + r;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
           r;
}

float Segment(float x, float y, float ax, float ay, float bx, float by, float halfWidth)
{
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - dx * t, py - dy * t) - halfWidth;
}

// Largest signed distance to the edge lines; exact except near corners.
float Convex(float x, float y, const Points &pts)
{
    float area = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        auto [ax, ay] = pts[i];
        auto [bx, by] = pts[(i + 1) % pts.size()];
        area += ax * by - bx * ay;
    }
    float sign = area > 0 ? 1.0f : -1.0f;
    float d = -1e9f;
    for (size_t i = 0; i < pts.size(); ++i) {
        auto [ax, ay] = pts[i];
        auto [bx, by] = pts[(i + 1) % pts.size()];
        float nx = (by - ay) * sign, ny = (ax - bx) * sign, len = std::hypot(nx, ny);
        d = std::max(d, ((x - ax) * nx + (y - ay) * ny) / len);
    }
    return d;
}
} // namespace sdf
