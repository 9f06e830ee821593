// Seven-segment readout rules without a screen: segment patterns, text rows, cell geometry and shapes.
#pragma once

#include <array>
#include <string>
#include <vector>

// Segments of a cell: 1 top, 2 upper left, 3 upper right, 4 middle, 5 lower left,
// 6 lower right, 7 bottom, 8 colon.
constexpr int SegmentCount = 8;
constexpr int ColonSegment = 8;
constexpr int SegmentRowCount = 38;

// One row per drawable character: "0".."9", "-", ":", "A".."Z"; true marks a lit segment.
extern const std::array<std::array<bool, SegmentCount>, SegmentRowCount> SegmentTable;

// The order in which a cell's segments are drawn, per animation kind 1..5 (row 0, the plain
// paint, repeats the downward order).
extern const std::array<std::array<int, SegmentCount>, 6> AnimationOrder;
constexpr int AnimationKindCount = 5;

// Row of SegmentTable for a character, or -1 for a blank or anything the table lacks.
int SegmentRow(char character);
// Whether segment (1..8) is lit for the character; a blank lights nothing.
bool SegmentLit(char character, int segment);

// The stored form of a text written to the readout: upper case, blank when any character is
// outside the readout's set, one trailing point dropped.
std::string NormaliseValue(const std::string& text);

// A text split into the cells' characters and the points in front of them.
struct TSplitRows {
    std::string Characters;
    std::string Points;
};
TSplitRows SplitPoints(const std::string& text);

// Blanks on the left until the row has at least `digits` characters: shorter texts align right.
std::string PadLeft(const std::string& row, int digits);

// numerator / denominator rounded to the nearest integer, halves to the even neighbour.
int HalfEvenQuotient(int numerator, int denominator);

struct TCellGeometry {
    int DigitNum = 0;
    int DigitSpacing = 0;
    int GapX = 0;
    int GapY = 0;
    int SegmentSize = 0;
    int Pitch = 0;
    int DigitWidth = 0;
    int Bottom = 0;
    int Mid = 0;
    int HLen = 0;
    int VLen = 0;

    // Left edge of cell i (from 1).
    int CellLeft(int cell) const;
    // Left edge of the point square in the gap before cell i.
    int PointLeft(int cell) const;
};

// Geometry of a readout of the given outer size. A DigitNum below 1 has no cells: DigitWidth 0.
TCellGeometry ComputeGeometry(int width, int height, int digitNum, int digitSpacing, int gapX,
                              int gapY, int segmentSize);

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint& other) const { return X == other.X && Y == other.Y; }
};

// Six vertices closed by repeating the first.
using TPolygon = std::array<TPoint, 7>;

// A negative thickness builds the bar upward (horizontal) or leftward (vertical) from (x, y);
// segmentSize is the readout's bar size, which shapes the bevels.
TPolygon HorizontalBar(int x, int y, int length, int thickness, int segmentSize);
TPolygon MiddleBar(int x, int y, int length, int thickness, int segmentSize);
TPolygon VerticalBar(int x, int y, int length, int thickness, int segmentSize);

// Bar 1..7 of cell i.
TPolygon SegmentPolygon(const TCellGeometry& geometry, int cell, int segment);

// A box whose right and bottom edges lie outside it.
struct TBox {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TBox& other) const
    {
        return Left == other.Left && Top == other.Top && Right == other.Right &&
               Bottom == other.Bottom;
    }
};

// The boxes of the two colon dots of cell i, upper first.
std::array<TBox, 2> ColonBoxes(const TCellGeometry& geometry, int cell);
// The point square in the gap before cell i.
TBox PointBox(const TCellGeometry& geometry, int cell);

// The pixel rows of the ellipse inscribed in a box, one single-row box per row: the pixels whose
// centres lie inside, so the ellipse touches all four edges of its box and never leaves it.
std::vector<TBox> EllipseRows(const TBox& box);
