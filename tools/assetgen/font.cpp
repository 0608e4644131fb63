#include <map>

#include "assetgen.h"

namespace {
// The letters the backdrop draws: seven rows of five columns, the top row in
// the highest byte, bit 4 of a row its leftmost column.
const std::map<char, uint64_t> GLYPHS = {
    {'H', 0x1111111F111111}, {'I', 0x0E04040404040E}, {'S', 0x0F10100E01011E},
    {'a', 0x00000E010F110F}, {'b', 0x1010161911111E}, {'c', 0x00000E1010110E},
    {'d', 0x01010D1311110F}, {'e', 0x00000E111F100E}, {'i', 0x04000C0404040E},
    {'l', 0x0C04040404040E}, {'n', 0x00001619111111}, {'o', 0x00000E1111110E},
    {'r', 0x00001619101010}, {'s', 0x00000F100E011E}, {'t', 0x08081C08080906},
    {'u', 0x0000111111130D}, {'0', 0x0E11131519110E}, {'2', 0x0E11010204081F},
    {'7', 0x1F010204080808}};

using Grid = std::vector<std::vector<bool>>;

// Proportional: a glyph takes its inked columns plus one column of space; a
// space, or any character the font lacks, takes three.
Grid Rasterise(const std::string &text)
{
    Grid grid(7);
    for (char c : text) {
        auto it = GLYPHS.find(c);
        uint64_t glyph = it == GLYPHS.end() ? 0 : it->second;
        uint8_t ink = 0;
        for (uint64_t rows = glyph; rows; rows >>= 8)
            ink |= uint8_t(rows);
        int first = 0, last = 4;
        while (first < 5 && !(ink & (0x10 >> first)))
            ++first;
        while (last >= 0 && !(ink & (0x10 >> last)))
            --last;
        for (int row = 0; row < 7; ++row) {
            for (int col = first; col <= last; ++col)
                grid[row].push_back(glyph >> (8 * (6 - row)) & (0x10 >> col));
            grid[row].resize(grid[row].size() + (ink ? 1 : 3));
        }
    }
    return grid;
}

// Doubles the grid, rounding outer corners and smoothing diagonals (EPX), so
// large text looks drawn rather than blown up.
Grid DoubleSmoothly(const Grid &g)
{
    int h = int(g.size()), w = int(g[0].size());
    auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && g[y][x]; };
    Grid out(size_t(h) * 2, std::vector<bool>(size_t(w) * 2));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool p = at(x, y), a = at(x, y - 1), b = at(x + 1, y), c = at(x - 1, y),
                 d = at(x, y + 1);
            out[2 * y][2 * x] = (c == a && c != d && a != b) ? a : p;
            out[2 * y][2 * x + 1] = (a == b && a != c && b != d) ? b : p;
            out[2 * y + 1][2 * x] = (d == c && d != b && c != a) ? c : p;
            out[2 * y + 1][2 * x + 1] = (b == d && b != a && d != c) ? d : p;
        }
    return out;
}
} // namespace

void DrawText(Image &img, int x, int y, const std::string &text, int scale, Rgb colour,
              float opacity)
{
    Grid grid = Rasterise(text);
    if (scale >= 4 && scale % 2 == 0)
        grid = DoubleSmoothly(grid), scale /= 2;
    for (size_t row = 0; row < grid.size(); ++row)
        for (size_t col = 0; col < grid[row].size(); ++col) {
            if (!grid[row][col])
                continue;
            int px = x + int(col) * scale, py = y + int(row) * scale;
            MapPixels(img, {px, py, px + scale, py + scale},
                      [&](int, int, Rgb old) { return MixRgb(old, colour, opacity); });
        }
}
