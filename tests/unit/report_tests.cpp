// The checker's report reaches a console in pieces that every console takes.
#include "check/report.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportPieces, AreAtMostAPieceLongAndNeverDivideASurrogatePair)
{
    std::wstring plain(2 * WRITE_PIECE + 5, L'a');
    std::wstring paired = std::wstring(WRITE_PIECE - 1, L'a') + L"\xD83D\xDE00" + L"end";
    const struct {
        const char *what;
        const std::wstring &text;
        size_t start, expected;
    } cases[] = {
        {"a long report", plain, 0, WRITE_PIECE},
        {"its rest", plain, 2 * WRITE_PIECE, 5},
        {"a pair across the cut", paired, 0, WRITE_PIECE - 1},
        {"the pair then starts the next", paired, WRITE_PIECE - 1, 5},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, MeasurePiece(c.text, c.start)) << c.what;
}

} // namespace
