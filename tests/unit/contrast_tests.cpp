// The checker's contrast ratio against figures that WCAG 2 readers know.
#include "check/accessibility_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(ContrastRatio, MatchesTheKnownFiguresEitherWayRound)
{
    const struct {
        COLORREF a, b;
        double ratio;
    } cases[] = {
        {RGB(0, 0, 0), RGB(255, 255, 255), 21.0},
        {RGB(90, 90, 90), RGB(90, 90, 90), 1.0},
        // The greys either side of 4.5:1 on white.
        {RGB(119, 119, 119), RGB(255, 255, 255), 4.48},
        {RGB(118, 118, 118), RGB(255, 255, 255), 4.54},
        {RGB(255, 0, 0), RGB(255, 255, 255), 4.00},
        {RGB(255, 0, 0), RGB(0, 0, 0), 5.25},
        {RGB(0, 0, 255), RGB(255, 255, 255), 8.59},
        {RGB(255, 255, 0), RGB(255, 255, 255), 1.07},
        // Dark enough for the straight part of the sRGB curve.
        {RGB(10, 10, 10), RGB(0, 0, 0), 1.06},
    };
    for (const auto &c : cases) {
        EXPECT_NEAR(c.ratio, ContrastRatio(c.a, c.b), 0.01) << std::hex << c.a << " " << c.b;
        EXPECT_DOUBLE_EQ(ContrastRatio(c.a, c.b), ContrastRatio(c.b, c.a));
    }
}

} // namespace
