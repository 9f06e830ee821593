// Seven-segment rules without a screen: patterns, text rows, rounding, geometry and shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "widgets/SevenSegment.h"

namespace {

// The main window's readout: 92 x 32, three cells, bars 3 pixels thick, other values initial.
TCellGeometry MainWindowGeometry()
{
    return ComputeGeometry(92, 32, 3, 5, 2, 2, 3);
}

std::string LitSegments(char character)
{
    std::string lit;
    for (int segment = 1; segment <= SegmentCount; ++segment) {
        if (SegmentLit(character, segment))
            lit += static_cast<char>('0' + segment);
    }
    return lit;
}

}  // namespace

TEST(SegmentTable, RowsFollowTheCharacterCodes)
{
    EXPECT_EQ(SegmentRow('0'), 0);
    EXPECT_EQ(SegmentRow('9'), 9);
    EXPECT_EQ(SegmentRow('-'), 10);
    EXPECT_EQ(SegmentRow(':'), 11);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_EQ(SegmentRow(letter), letter - 53) << letter;
    EXPECT_EQ(SegmentRow(' '), -1);
    EXPECT_EQ(SegmentRow('a'), -1);
    EXPECT_EQ(SegmentRow('.'), -1);
}

TEST(SegmentTable, SelectedPatterns)
{
    struct Row {
        char Character;
        const char* Lit;
    };
    const Row rows[] = {
        {'0', "123567"}, {'2', "13457"}, {'8', "1234567"}, {'-', "4"},
        {':', "8"},      {'B', "24567"}, {'Z', "13457"},   {' ', ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LitSegments(row.Character), row.Lit) << "'" << row.Character << "'";
}

TEST(SegmentTable, SharedPatternsAndColonOnlyForColon)
{
    const std::pair<char, char> same[] = {{'I', '1'}, {'S', '5'}, {'G', '6'}, {'M', 'N'},
                                          {'K', 'X'}, {'U', 'V'}, {'V', 'W'}};
    for (const auto& [a, b] : same)
        EXPECT_EQ(LitSegments(a), LitSegments(b)) << a << " vs " << b;
    for (int row = 0; row < SegmentRowCount; ++row)
        EXPECT_EQ(SegmentTable[static_cast<std::size_t>(row)][7], row == 11) << row;
}

TEST(AnimationOrder, EachKindDrawsEverySegmentOnce)
{
    for (const auto& order : AnimationOrder) {
        std::set<int> segments(order.begin(), order.end());
        EXPECT_EQ(segments.size(), 8u);
        EXPECT_EQ(*segments.begin(), 1);
        EXPECT_EQ(*segments.rbegin(), 8);
    }
    // The plain paint and the downward kind share the top-to-bottom order.
    EXPECT_EQ(AnimationOrder[0], AnimationOrder[3]);
    EXPECT_EQ(AnimationOrder[3], (std::array<int, 8>{1, 2, 3, 8, 4, 5, 6, 7}));
    EXPECT_EQ(AnimationOrder[1], (std::array<int, 8>{8, 4, 2, 1, 3, 6, 7, 5}));
}

TEST(NormaliseValue, Cases)
{
    struct Row {
        const char* Name;
        std::string Written;
        std::string Stored;
    };
    const Row rows[] = {
        {"digits", "235", "235"},
        {"lower case letters", "abc", "ABC"},
        {"mixed", "a1:b-2", "A1:B-2"},
        {"trailing point dropped", "12.", "12"},
        {"only one trailing point dropped", "12..", "12."},
        {"inner point kept", "12.5", "12.5"},
        {"lone point", ".", ""},
        {"comma blanks", "12,5", ""},
        {"plus blanks", "+12", ""},
        {"accented letter blanks", "\xE9t\xE9", ""},
        {"utf-8 accented letter blanks", "\xC3\xA9", ""},
        {"control character blanks", "23\r\n", ""},
        {"blanks kept", " 1 ", " 1 "},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NormaliseValue(row.Written), row.Stored) << row.Name;
}

TEST(SplitPoints, Cases)
{
    struct Row {
        std::string Text;
        std::string Characters;
        std::string Points;
    };
    const Row rows[] = {
        {"", "", ""},
        {"0", "0", " "},
        {"12.5", "125", "  ."},
        {".5", "5", "."},
        {"1..2", "1 2", " .."},
        {"1.2.3", "123", " .."},
        {"12.", "12", "  ."},
    };
    for (const Row& row : rows) {
        const TSplitRows split = SplitPoints(row.Text);
        EXPECT_EQ(split.Characters, row.Characters) << "'" << row.Text << "'";
        EXPECT_EQ(split.Points, row.Points) << "'" << row.Text << "'";
    }
}

TEST(HalfEvenQuotient, Cases)
{
    struct Row {
        int Numerator;
        int Denominator;
        int Rounded;
    };
    const Row rows[] = {
        {3, 2, 2},  {5, 2, 2},   {-3, 4, -1}, {3, 4, 1},  {-3, 2, -2}, {-1, 2, 0},
        {1, 2, 0},  {7, 2, 4},   {-5, 2, -2}, {1, 4, 0},  {-1, 4, 0},  {0, 4, 0},
        {9, 4, 2},  {10, 4, 2},  {11, 4, 3},  {6, -4, -2}, {-6, 4, -2},
    };
    for (const Row& row : rows)
        EXPECT_EQ(HalfEvenQuotient(row.Numerator, row.Denominator), row.Rounded)
            << row.Numerator << "/" << row.Denominator;
}

TEST(Geometry, MainWindowReadout)
{
    const TCellGeometry g = MainWindowGeometry();
    EXPECT_EQ(g.Pitch, 6);
    EXPECT_EQ(g.DigitWidth, 24);
    EXPECT_EQ(g.Bottom, 31);
    EXPECT_EQ(g.Mid, 15);
    EXPECT_EQ(g.HLen, 20);
    EXPECT_EQ(g.VLen, 11);
    EXPECT_EQ(g.CellLeft(1), 6);
    EXPECT_EQ(g.CellLeft(2), 36);
    EXPECT_EQ(g.CellLeft(3), 66);
}

TEST(Geometry, CellWidthTruncatesTowardZero)
{
    // (20 - 1 - 4 * 6) / 4 = -5 / 4: -1 truncated toward zero, not -2.
    EXPECT_EQ(ComputeGeometry(20, 10, 4, 5, 2, 2, 2).DigitWidth, -1);
}

TEST(Geometry, NoCellsGiveNoWidthAndNoDivision)
{
    EXPECT_EQ(ComputeGeometry(92, 32, 0, 5, 2, 2, 3).DigitWidth, 0);
    EXPECT_EQ(ComputeGeometry(92, 32, -2, 5, 2, 2, 3).DigitWidth, 0);
}

TEST(Geometry, BarsOfTheFirstCell)
{
    struct Row {
        const char* Name;
        int Segment;
        std::array<TPoint, 6> Vertices;
    };
    const Row rows[] = {
        {"top", 1, {{{8, 1}, {9, 0}, {27, 0}, {28, 1}, {25, 3}, {11, 3}}}},
        {"bottom", 7, {{{8, 30}, {9, 31}, {27, 31}, {28, 30}, {25, 28}, {11, 28}}}},
        {"middle", 4, {{{8, 16}, {11, 14}, {25, 14}, {28, 16}, {25, 17}, {11, 17}}}},
        {"upper left", 2, {{{7, 2}, {6, 3}, {6, 12}, {7, 13}, {9, 10}, {9, 5}}}},
        {"lower left", 5, {{{7, 17}, {6, 18}, {6, 27}, {7, 28}, {9, 25}, {9, 20}}}},
        {"upper right", 3, {{{29, 2}, {30, 3}, {30, 12}, {29, 13}, {27, 10}, {27, 5}}}},
        {"lower right", 6, {{{29, 17}, {30, 18}, {30, 27}, {29, 28}, {27, 25}, {27, 20}}}},
    };
    const TCellGeometry g = MainWindowGeometry();
    for (const Row& row : rows) {
        const TPolygon polygon = SegmentPolygon(g, 1, row.Segment);
        for (std::size_t k = 0; k < 6; ++k) {
            EXPECT_EQ(polygon[k].X, row.Vertices[k].X) << row.Name << " vertex " << k;
            EXPECT_EQ(polygon[k].Y, row.Vertices[k].Y) << row.Name << " vertex " << k;
        }
        EXPECT_EQ(polygon[6], polygon[0]) << row.Name << " is closed";
    }
}

TEST(Geometry, ColonBoxesAndPointSquares)
{
    const TCellGeometry g = MainWindowGeometry();
    const auto colon = ColonBoxes(g, 1);
    EXPECT_EQ(colon[0], (TBox{15, 9, 21, 12}));
    EXPECT_EQ(colon[1], (TBox{15, 18, 21, 21}));
    EXPECT_EQ(PointBox(g, 1), (TBox{2, 28, 5, 31}));
    EXPECT_EQ(PointBox(g, 2), (TBox{32, 28, 35, 31}));
    EXPECT_EQ(PointBox(g, 3), (TBox{62, 28, 65, 31}));
}

TEST(EllipseRows, StayInsideTheBoxAndTouchEveryEdge)
{
    const TBox boxes[] = {{15, 9, 21, 12}, {0, 0, 1, 1}, {3, 4, 13, 9}, {2, 2, 4, 11}};
    for (const TBox& box : boxes) {
        const auto rows = EllipseRows(box);
        ASSERT_FALSE(rows.empty());
        int left = box.Right, right = box.Left;
        for (const TBox& row : rows) {
            EXPECT_EQ(row.Bottom, row.Top + 1);
            EXPECT_GE(row.Left, box.Left);
            EXPECT_LE(row.Right, box.Right);
            left = std::min(left, row.Left);
            right = std::max(right, row.Right);
        }
        EXPECT_EQ(rows.front().Top, box.Top);
        EXPECT_EQ(rows.back().Bottom, box.Bottom);
        EXPECT_EQ(left, box.Left);
        EXPECT_EQ(right, box.Right);
    }
    EXPECT_TRUE(EllipseRows(TBox{5, 5, 5, 9}).empty());
    EXPECT_TRUE(EllipseRows(TBox{5, 5, 9, 2}).empty());
}
