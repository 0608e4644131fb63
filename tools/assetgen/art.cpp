#include <algorithm>
#include <cmath>

#include "assetgen.h"

using namespace sdf;

namespace {
float Square(float v)
{
    return v * v;
}
float Ring(float d, float halfWidth)
{
    return std::abs(d) - halfWidth;
}

// A band of the given half width along the outline of a shape.
Sdf RingOf(Sdf shape, float halfWidth)
{
    return [=](float x, float y) { return Ring(shape(x, y), halfWidth); };
}

// The shape grown outwards by a distance.
Sdf Grown(Sdf shape, float by)
{
    return [=](float x, float y) { return shape(x, y) - by; };
}

Sdf CentredCircle(float cx, float cy, float r)
{
    return [=](float x, float y) { return Circle(x, y, cx, cy, r); };
}

// The sample disc's art is drawn at its plain size and again at twice that for
// displays at 200 %: shapes, places and glows are written at the plain size
// and drawn at this scale; an anti-aliased edge stays one pixel wide.
int artScale = 1;

Box ScaledBox(Box box)
{
    const int s = artScale;
    return box.x1 >= (1 << 30) ? box : Box{box.x0 * s, box.y0 * s, box.x1 * s, box.y1 * s};
}

void Fill(Image &img, const Sdf &shape, const Paint &paint, float opacity = 1.0f,
          float softness = 1.0f, Box box = {})
{
    const float s = float(artScale);
    FillShape(
        img, [&](float x, float y) { return shape(x / s, y / s) * s; },
        [&](float x, float y) { return paint(x / s, y / s); }, opacity,
        softness > 1 ? softness * s : softness, ScaledBox(box));
}

// The built-in background uses one 16-colour ramp from navy to pale aqua, so
// the picture can be composed as a single tone per pixel and dithered.
const std::vector<Rgb> BACKGROUND_RAMP = {
    {4, 10, 32},     {7, 18, 52},     {10, 28, 74},    {12, 40, 96},
    {14, 54, 116},   {14, 70, 132},   {14, 86, 142},   {14, 102, 150},
    {18, 118, 156},  {28, 136, 162},  {46, 154, 170},  {72, 172, 182},
    {104, 190, 196}, {142, 208, 212}, {186, 228, 230}, {232, 246, 246}};

// Light arcs sweeping up from below the lower left corner.
float ArcTone(float x, float y, float cx, float cy)
{
    struct Arc {
        float radius, width, gain;
    };
    const Arc list[] = {{0.97f, 0.075f, 1.4f},
                        {1.0f, 0.003f, 3.6f},
                        {1.14f, 0.11f, 1.0f},
                        {1.19f, 0.0026f, 2.6f},
                        {1.31f, 0.0035f, 1.6f}};
    float d = std::hypot(x - cx, y - cy);
    float t = 0;
    for (const Arc &a : list)
        t += a.gain * std::exp(-Square((d - a.radius * cy) / (a.width * cy)));
    return t;
}

float EmblemTone(float x, float y, float cx, float cy, float radius)
{
    float dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
    float t = 3.0f * std::exp(-Square((r - radius) / 1.4f)) +
              1.6f * std::exp(-Square((r - radius * 0.3f) / 1.2f));
    if (r < radius) {
        float sheen = std::pow(std::max(0.0f, std::cos(2 * (std::atan2(dy, dx) + 0.7f))), 6.0f);
        t += 0.6f + (r > radius * 0.3f ? 2.2f * sheen : 0.0f);
    }
    if (r < radius * 0.12f)
        t -= 1.2f;
    return t;
}

float BackgroundTone(float x, float y, float w, float h)
{
    float t = 0.8f + 7.0f * std::pow(0.62f * x / w + 0.38f * y / h, 1.3f);
    return t + ArcTone(x, y, -0.25f * w, 1.55f * h) +
           EmblemTone(x, y, 0.77f * w, 0.45f * h, 0.3f * h);
}

// Icons are drawn four times oversized, then reduced to 16 colours at 32x32,
// 48x48 and 64x64 (for displays at 100 %, 150 % and 200 %).
const int ICON_OVERSIZE = 4;
const int ICON_SIZES[] = {32, 48, 64};

struct IconScheme {
    Rgb discDark, discLight, badge, badgeLight;
};

std::vector<Rgb> MakeIconPalette(const IconScheme &s)
{
    std::vector<Rgb> p = {{0, 0, 0}, MixRgb(s.discDark, {0, 0, 0}, 0.65f)};
    for (int i = 0; i < 6; ++i)
        p.push_back(MixRgb(s.discDark, s.discLight, i / 5.0f));
    p.insert(p.end(), {{255, 255, 255},
                       MixRgb(s.badge, {0, 0, 0}, 0.35f),
                       s.badge,
                       s.badgeLight,
                       MixRgb(s.badge, s.badgeLight, 0.5f),
                       MixRgb(s.discLight, {255, 255, 255}, 0.5f),
                       MixRgb(s.discDark, s.badge, 0.5f),
                       MixRgb(s.discLight, s.badgeLight, 0.5f)});
    return p;
}

// Shapes are written in pixels of the 32x32 icon; this evaluates them on the
// big canvas of an icon `size` pixels wide.
float iconZoom = ICON_OVERSIZE;
Sdf Oversized(Sdf f)
{
    const float k = iconZoom;
    return [=](float x, float y) { return f(x / k, y / k) * k; };
}

// A shaded disc with a see-through hole and a round "start" badge.
void DrawEmblem(Image &colour, Image &alpha, const IconScheme &s, int size)
{
    iconZoom = float(ICON_OVERSIZE * size) / 32;
    Sdf disc = CentredCircle(14, 14, 13.5f), hole = CentredCircle(14, 14, 2.3f),
        badge = CentredCircle(24, 24, 7.5f);
    FillShape(alpha, Oversized([&](float x, float y) {
                  return std::min(std::max(disc(x, y), -hole(x, y)), badge(x, y));
              }),
              PaintSolid({255, 255, 255}));
    Rgb outline = MixRgb(s.discDark, {0, 0, 0}, 0.65f);
    FillShape(colour, Oversized(disc), PaintSolid(outline));
    FillShape(colour, Oversized(CentredCircle(14, 14, 12.3f)), [&](float x, float y) {
        float a = std::atan2(y / iconZoom - 14, x / iconZoom - 14);
        return MixRgb(s.discDark, s.discLight,
                      0.25f + 0.75f * std::pow(std::abs(std::cos(a + 0.8f)), 3.0f));
    });
    FillShape(colour, Oversized(CentredCircle(14, 14, 5.8f)),
              PaintSolid(MixRgb(s.discDark, s.discLight, 0.6f)));
    FillShape(colour, Oversized(RingOf(CentredCircle(14, 14, 5.8f), 0.5f)),
              PaintSolid(MixRgb(s.discDark, s.discLight, 0.2f)));
    FillShape(colour, Oversized(CentredCircle(14, 14, 3.3f)), PaintSolid(outline));
    FillShape(colour, Oversized(badge), PaintSolid(outline));
    FillShape(colour, Oversized(CentredCircle(24, 24, 6.4f)),
              PaintGradient(s.badgeLight, s.badge, 18 * iconZoom, 30 * iconZoom));
    FillShape(colour, Oversized([](float x, float y) {
                  return Convex(x, y, {{21.8f, 20.5f}, {21.8f, 27.5f}, {27.8f, 24}});
              }),
              PaintSolid({255, 255, 255}));
}

uint8_t FindNearest(const std::vector<Rgb> &palette, float r, float g, float b)
{
    int best = 1;
    float bestDist = 1e9f;
    for (int i = 1; i < int(palette.size()); ++i) { // 0 stays reserved for transparent pixels
        float d = Square(palette[i].r - r) + Square(palette[i].g - g) + Square(palette[i].b - b);
        if (d < bestDist)
            best = i, bestDist = d;
    }
    return uint8_t(best);
}

IconImage MakeIconImage(const IconScheme &s, int n)
{
    const int k = ICON_OVERSIZE;
    Image colour(n * k, n * k), alpha(n * k, n * k);
    DrawEmblem(colour, alpha, s, n);
    std::vector<Rgb> palette = MakeIconPalette(s);
    std::vector<uint8_t> index(size_t(n) * n);
    std::vector<bool> transparent(size_t(n) * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float r = 0, g = 0, b = 0, cover = 0;
            for (int j = y * k; j < y * k + k; ++j)
                for (int i = x * k; i < x * k + k; ++i) {
                    float a = alpha.At(i, j).r / 255.0f;
                    Rgb c = colour.At(i, j);
                    r += c.r * a, g += c.g * a, b += c.b * a, cover += a;
                }
            size_t at = size_t(y) * n + x;
            transparent[at] = cover < k * k * 0.5f;
            if (!transparent[at])
                index[at] = FindNearest(palette, r / cover, g / cover, b / cover);
        }
    return {n, index, transparent, palette};
}

Bytes MakeIcon(const IconScheme &s)
{
    std::vector<IconImage> images;
    for (int n : ICON_SIZES)
        images.push_back(MakeIconImage(s, n));
    return EncodeIco4(images);
}

// Each button glyph is a few shapes, each with its own paint.
struct Layer {
    Sdf shape;
    Paint paint;
};

const Rgb INK{240, 246, 250};

using Glyph = std::vector<Layer>;

Glyph MakeInstallGlyph()
{
    Sdf tray = [](float x, float y) {
        return std::min({Segment(x, y, 14, 32, 14, 49, 2.6f), Segment(x, y, 14, 49, 50, 49, 2.6f),
                         Segment(x, y, 50, 49, 50, 32, 2.6f)});
    };
    Sdf arrow = [](float x, float y) {
        return std::min(Segment(x, y, 32, 9, 32, 28, 3.6f),
                        Convex(x, y, {{20, 26}, {44, 26}, {32, 40}}));
    };
    return {{tray, PaintSolid(INK)},
            {arrow, PaintGradient({150, 235, 170}, {50, 170, 100}, 9, 40)}};
}

Glyph MakeBrowseGlyph()
{
    Sdf back = [](float x, float y) {
        return std::min(RoundBox(x, y, 31, 34, 19, 13, 3), RoundBox(x, y, 21, 20, 9, 4, 2.5f));
    };
    Sdf flap = [](float x, float y) {
        return Convex(x, y, {{18, 28}, {55, 28}, {50, 47}, {12, 47}}) - 0.5f;
    };
    return {{back, PaintSolid({205, 140, 45})},
            {flap, PaintGradient({255, 222, 120}, {238, 168, 58}, 28, 47)}};
}

Glyph MakeReadmeGlyph()
{
    Sdf sheet = [](float x, float y) {
        return Convex(x, y, {{17, 11}, {39, 11}, {47, 19}, {47, 53}, {17, 53}});
    };
    Sdf corner = [](float x, float y) { return Convex(x, y, {{39, 11}, {39, 19}, {47, 19}}); };
    Sdf lines = [](float x, float y) {
        float d = Segment(x, y, 23, 45, 35, 45, 1.3f);
        for (float ly : {27.0f, 33.0f, 39.0f})
            d = std::min(d, Segment(x, y, 23, ly, 41, ly, 1.3f));
        return d;
    };
    return {{sheet, PaintSolid(INK)},
            {corner, PaintSolid({175, 198, 218})},
            {lines, PaintSolid({70, 112, 160})}};
}

Glyph MakeWebGlyph()
{
    Sdf ball = [](float x, float y) { return Circle(x, y, 32, 32, 18.5f); };
    Sdf grid = [](float x, float y) {
        float lines = std::min({Ring(Ellipse(x, y, 32, 32, 8, 18), 1.1f), std::abs(x - 32) - 1.1f,
                                std::abs(y - 32) - 1.1f, std::abs(y - 22.5f) - 1.0f,
                                std::abs(y - 41.5f) - 1.0f});
        float inside = Circle(x, y, 32, 32, 17.5f);
        return std::min(std::max(lines, inside), Ring(inside, 1.3f));
    };
    return {{ball, PaintGradient({120, 200, 250}, {25, 95, 195}, 14, 50)},
            {grid, PaintSolid({225, 242, 255})}};
}

Glyph MakeRemoveGlyph()
{
    Sdf lid = [](float x, float y) {
        float handle = std::max(Ring(RoundBox(x, y, 32, 13, 5.5f, 3.5f, 2), 1.2f), y - 15);
        return std::min(RoundBox(x, y, 32, 17.5f, 17, 2.6f, 1.5f), handle);
    };
    Sdf body = [](float x, float y) {
        return Convex(x, y, {{19, 22}, {45, 22}, {42, 52}, {22, 52}});
    };
    Sdf ribs = [](float x, float y) {
        return std::min({Segment(x, y, 26.5f, 27, 27.5f, 47, 1.3f),
                         Segment(x, y, 32, 27, 32, 47, 1.3f),
                         Segment(x, y, 37.5f, 27, 36.5f, 47, 1.3f)});
    };
    return {{lid, PaintSolid({250, 200, 190})},
            {body, PaintGradient({250, 140, 118}, {200, 72, 62}, 22, 52)},
            {ribs, PaintSolid({150, 45, 42})}};
}

Glyph MakeExitGlyph()
{
    Sdf symbol = [](float x, float y) {
        float arc =
            std::max(Ring(Circle(x, y, 32, 34, 15), 2.8f), -RoundBox(x, y, 32, 14, 6.5f, 14, 0));
        return std::min(arc, Segment(x, y, 32, 11, 32, 31, 2.8f));
    };
    return {{symbol, PaintSolid({228, 236, 244})}};
}

void DrawGlyph(Image &img, const Glyph &layers)
{
    Sdf all = [&](float x, float y) {
        float d = 1e9f;
        for (const Layer &l : layers)
            d = std::min(d, l.shape(x - 1.5f, y - 2.5f));
        return d;
    };
    Fill(img, all, PaintSolid({0, 6, 20}), 0.5f, 4.0f);
    for (const Layer &l : layers)
        Fill(img, l.shape, l.paint);
}

const int BUTTON_SIZE = 64;

float HotTile(float x, float y)
{
    return RoundBox(x, y, 32, 32, 28, 28, 11);
}

void DrawBackdropGradient(Image &img)
{
    const Rgb stops[] = {{5, 12, 38}, {10, 44, 102}, {8, 104, 132}};
    const float k = float(artScale);
    MapPixels(img, {}, [&](int x, int y, Rgb) {
        float s = std::clamp(0.58f * x / img.w + 0.42f * y / img.h, 0.0f, 1.0f) * 2;
        Rgb a = stops[s < 1 ? 0 : 1], b = stops[s < 1 ? 1 : 2];
        float f = s < 1 ? s : s - 1;
        float glow = 40 * std::exp(-Square(std::hypot(x / k - 600.0f, y / k + 40.0f) / 300));
        return DitherRgb(a.r + (b.r - a.r) * f + glow * 0.3f, a.g + (b.g - a.g) * f + glow * 0.7f,
                         a.b + (b.b - a.b) * f + glow, x, y);
    });
}

// Sine waves running across the lower half: a wide glow with a fine line.
void DrawBackdropWaves(Image &img)
{
    struct Wave {
        float base, amp, freq, phase, glow;
    };
    const Wave waves[] = {{360, 38, 0.0085f, 0.4f, 0.10f},
                          {392, 30, 0.0102f, 1.9f, 0.07f},
                          {420, 24, 0.0074f, 3.1f, 0.06f}};
    for (const Wave &w : waves) {
        Sdf band = [w](float x, float y) {
            float yc = w.base + w.amp * std::sin(x * w.freq + w.phase) - 0.12f * x;
            float slope = w.amp * w.freq * std::cos(x * w.freq + w.phase) - 0.12f;
            return std::abs(y - yc) / std::sqrt(1 + slope * slope);
        };
        Fill(img, Grown(band, 18), PaintSolid({90, 200, 215}), w.glow, 36);
        Fill(img, Grown(band, 0.6f), PaintSolid({170, 235, 240}), 0.45f);
    }
}

void DrawBackdropDisc(Image &img, float cx, float cy, float r)
{
    Box box{int(cx - r - 2), int(cy - r - 2), int(cx + r + 3), int(cy + r + 3)};
    auto fill = [&](const Sdf &shape, Rgb colour, float opacity) {
        Fill(img, shape, PaintSolid(colour), opacity, 1, box);
    };
    fill(CentredCircle(cx, cy, r), {200, 240, 250}, 0.05f);
    for (float g = 0.42f; g < 0.97f; g += 0.055f)
        fill(RingOf(CentredCircle(cx, cy, r * g), 0.5f), {200, 240, 250}, 0.05f);
    const float k = float(artScale);
    MapPixels(img, ScaledBox(box), [=](int x, int y, Rgb old) {
        float dx = (x + 0.5f) / k - cx, dy = (y + 0.5f) / k - cy, d = std::hypot(dx, dy);
        if (d > r || d < r * 0.3f)
            return old;
        float a = std::atan2(dy, dx);
        float sheen = std::pow(std::max(0.0f, std::cos(2 * (a + 0.7f))), 8.0f);
        Rgb tint = MixRgb(Rgb{150, 240, 235}, Rgb{200, 190, 255}, 0.5f + 0.5f * std::sin(a * 3));
        return MixRgb(old, tint, 0.16f * sheen * std::min(1.0f, (d - r * 0.3f) / 8));
    });
    fill(RingOf(CentredCircle(cx, cy, r), 0.8f), {170, 235, 245}, 0.4f);
    fill(RingOf(CentredCircle(cx, cy, r * 0.3f), 0.8f), {170, 235, 245}, 0.3f);
    fill(CentredCircle(cx, cy, r * 0.11f), {3, 10, 30}, 0.55f);
}

void DrawBackdropPanel(Image &img)
{
    // Behind the button column: (26, 68) to (346, 476).
    Sdf panel = [](float x, float y) { return RoundBox(x, y, 186, 272, 160, 204, 14); };
    Fill(img, panel, PaintSolid({3, 10, 30}), 0.42f);
    Fill(img, RingOf(panel, 0.5f), PaintSolid({140, 210, 225}), 0.28f);
}

void DrawBackdropTitle(Image &img)
{
    const std::string title = "Harbor Suite 2027", subtitle = "Installation disc";
    const int k = artScale;
    DrawText(img, 32 * k, 12 * k, title, 4 * k, {0, 4, 16}, 0.45f);
    DrawText(img, 30 * k, 10 * k, title, 4 * k, {245, 250, 252});
    DrawText(img, 31 * k, 46 * k, subtitle, 2 * k, {0, 4, 16}, 0.45f);
    DrawText(img, 30 * k, 45 * k, subtitle, 2 * k, {130, 210, 222});
}

// The launcher keys out magenta, so the glyph is drawn twice: over the real
// background (the colours kept) and over the key (to learn which pixels the
// glyph touches). Edges then blend into the background, never into magenta.
Image DrawButtonNormal(const Image &backdrop, int x, int y, const Glyph &glyph)
{
    const int k = artScale;
    Image onBack = CropImage(backdrop, x * k, y * k, BUTTON_SIZE * k, BUTTON_SIZE * k);
    Image onKey(BUTTON_SIZE * k, BUTTON_SIZE * k, COLOR_KEY);
    DrawGlyph(onBack, glyph);
    DrawGlyph(onKey, glyph);
    for (size_t i = 0; i < onKey.px.size(); ++i)
        if (onKey.px[i] != COLOR_KEY)
            onKey.px[i] = onBack.px[i];
    return onKey;
}

// Hot images are drawn opaque, so the tile sits on the very pixels it covers.
Image DrawButtonHot(const Image &backdrop, int x, int y, const Glyph &glyph)
{
    const int k = artScale;
    Image img = CropImage(backdrop, x * k, y * k, BUTTON_SIZE * k, BUTTON_SIZE * k);
    Fill(img, HotTile, PaintSolid({120, 220, 235}), 0.3f, 6);
    Fill(img, HotTile, PaintGradient({70, 172, 204}, {16, 86, 138}, 4, 60), 0.88f);
    Fill(
        img, [](float x, float y) { return std::max(HotTile(x, y), y - 30); },
        PaintSolid({255, 255, 255}), 0.12f);
    Fill(img, RingOf(HotTile, 0.6f), PaintSolid({175, 238, 246}), 0.85f);
    DrawGlyph(img, glyph);
    return img;
}

} // namespace

std::vector<uint8_t> DrawBuiltinBackground()
{
    const int w = BUILTIN_BACKGROUND_W, h = BUILTIN_BACKGROUND_H;
    std::vector<uint8_t> index(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float tone = BackgroundTone(x + 0.5f, y + 0.5f, w, h) + BayerThreshold(x, y);
            index[size_t(y) * w + x] = uint8_t(std::clamp(int(std::floor(tone)), 0, 15));
        }
    return index;
}

// Run-length encoded, the dithered rows take half the space: the launcher
// carries this picture in every copy, and a disc reads it before the first paint.
Bytes MakeBuiltinBackground()
{
    return EncodeBmp4Rle(BUILTIN_BACKGROUND_W, BUILTIN_BACKGROUND_H, DrawBuiltinBackground(),
                         BACKGROUND_RAMP);
}

Bytes MakeLauncherIcon()
{
    return MakeIcon({{20, 50, 120}, {225, 235, 248}, {235, 125, 30}, {255, 205, 110}});
}
Bytes MakeDiscIcon()
{
    return MakeIcon({{10, 80, 90}, {215, 245, 240}, {40, 150, 220}, {150, 215, 255}});
}

Image DrawDiscBackdrop(int scale)
{
    artScale = scale;
    Image img(640 * scale, 480 * scale);
    DrawBackdropGradient(img);
    DrawBackdropWaves(img);
    DrawBackdropDisc(img, 520, 290, 170);
    DrawBackdropPanel(img);
    DrawBackdropTitle(img);
    return img;
}

// A column with a 66 px pitch: 64 px images leave a 2 px gap and the column
// ends 8 px above the bottom edge.
std::vector<Picture> DrawSampleButtons(const Image &backdrop, int scale)
{
    artScale = scale;
    const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    const std::pair<std::string, Glyph (*)()> kinds[] = {
        {"install", MakeInstallGlyph}, {"browse", MakeBrowseGlyph}, {"readme", MakeReadmeGlyph},
        {"web", MakeWebGlyph},         {"remove", MakeRemoveGlyph}, {"exit", MakeExitGlyph}};
    std::vector<Picture> list;
    int y = 78;
    for (const auto &[name, makeGlyph] : kinds) {
        Glyph glyph = makeGlyph();
        list.push_back({name + suffix + ".bmp", DrawButtonNormal(backdrop, 44, y, glyph)});
        list.push_back({name + "_hot" + suffix + ".bmp", DrawButtonHot(backdrop, 44, y, glyph)});
        y += 66;
    }
    return list;
}
