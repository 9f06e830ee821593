// Segment patterns, text normalisation, alignment and cell geometry of the seven-segment readout.
#include "widgets/SevenSegment.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr bool o = false;
constexpr bool X = true;
}  // namespace

// Columns: top, upper left, upper right, middle, lower left, lower right, bottom, colon.
const std::array<std::array<bool, SegmentCount>, SegmentRowCount> SegmentTable = {{
    {X, X, X, o, X, X, X, o},  // 0
    {o, o, X, o, o, X, o, o},  // 1
    {X, o, X, X, X, o, X, o},  // 2
    {X, o, X, X, o, X, X, o},  // 3
    {o, X, X, X, o, X, o, o},  // 4
    {X, X, o, X, o, X, X, o},  // 5
    {X, X, o, X, X, X, X, o},  // 6
    {X, o, X, o, o, X, o, o},  // 7
    {X, X, X, X, X, X, X, o},  // 8
    {X, X, X, X, o, X, X, o},  // 9
    {o, o, o, X, o, o, o, o},  // -
    {o, o, o, o, o, o, o, X},  // :
    {X, X, X, X, X, X, o, o},  // A
    {o, X, o, X, X, X, X, o},  // B
    {X, X, o, o, X, o, X, o},  // C
    {o, o, X, X, X, X, X, o},  // D
    {X, X, o, X, X, o, X, o},  // E
    {X, X, o, X, X, o, o, o},  // F
    {X, X, o, X, X, X, X, o},  // G
    {o, X, o, X, X, X, o, o},  // H
    {o, o, X, o, o, X, o, o},  // I
    {o, o, X, o, o, X, X, o},  // J
    {o, X, X, X, X, X, o, o},  // K
    {o, X, o, o, X, o, X, o},  // L
    {o, o, o, X, X, X, o, o},  // M: a lower-case n, as on most seven-segment alphabets
    {o, o, o, X, X, X, o, o},  // N
    {o, o, o, X, X, X, X, o},  // O: lower case, to tell it from zero
    {X, X, X, X, X, o, o, o},  // P
    {X, X, X, X, o, X, o, o},  // Q
    {o, o, o, X, X, o, o, o},  // R: lower case
    {X, X, o, X, o, X, X, o},  // S
    {o, X, o, X, X, o, o, o},  // T
    {o, X, X, o, X, X, X, o},  // U
    {o, X, X, o, X, X, X, o},  // V
    {o, X, X, o, X, X, X, o},  // W
    {o, X, X, X, X, X, o, o},  // X
    {o, X, X, X, o, X, o, o},  // Y
    {X, o, X, X, X, o, X, o},  // Z
}};

const std::array<std::array<int, SegmentCount>, 6> AnimationOrder = {{
    {1, 2, 3, 8, 4, 5, 6, 7},  // plain paint
    {8, 4, 2, 1, 3, 6, 7, 5},  // spiral
    {7, 6, 5, 8, 4, 3, 2, 1},  // up
    {1, 2, 3, 8, 4, 5, 6, 7},  // down
    {6, 3, 7, 8, 4, 1, 5, 2},  // left
    {2, 5, 1, 8, 4, 7, 3, 6},  // right
}};

int SegmentRow(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character == '-')
        return 10;
    if (character == ':')
        return 11;
    if (character >= 'A' && character <= 'Z')
        return character - 'A' + 12;
    return -1;
}

bool SegmentLit(char character, int segment)
{
    const int row = SegmentRow(character);
    if (row < 0 || segment < 1 || segment > SegmentCount)
        return false;
    return SegmentTable[static_cast<std::size_t>(row)][static_cast<std::size_t>(segment - 1)];
}

std::string NormaliseValue(const std::string& text)
{
    std::string normalised;
    normalised.reserve(text.size());
    for (char character : text) {
        // Only a..z: the readout has no idea of a locale's accented letters.
        if (character >= 'a' && character <= 'z')
            character = static_cast<char>(character - 'a' + 'A');
        const bool accepted = (character >= '0' && character <= '9') || character == ' ' ||
                              character == '-' || character == '.' ||
                              (character >= 'A' && character <= 'Z') || character == ':';
        if (!accepted)
            return std::string();
        normalised.push_back(character);
    }
    if (!normalised.empty() && normalised.back() == '.')
        normalised.pop_back();
    return normalised;
}

TSplitRows SplitPoints(const std::string& text)
{
    TSplitRows rows;
    bool previousWasPoint = false;
    for (const char character : text) {
        if (character == '.') {
            rows.Points.push_back('.');
            // A second point in a row has no character to sit in front of: it gets a blank cell.
            if (previousWasPoint)
                rows.Characters.push_back(' ');
            else
                previousWasPoint = true;
        } else {
            if (previousWasPoint)
                previousWasPoint = false;
            else
                rows.Points.push_back(' ');
            rows.Characters.push_back(character);
        }
    }
    return rows;
}

std::string PadLeft(const std::string& row, int digits)
{
    if (digits <= 0 || row.size() >= static_cast<std::size_t>(digits))
        return row;
    return std::string(static_cast<std::size_t>(digits) - row.size(), ' ') + row;
}

int HalfEvenQuotient(int numerator, int denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    // Floor division, then decide by twice the remainder against the divisor.
    int quotient = numerator / denominator;
    int remainder = numerator % denominator;
    if (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    const int twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

int TCellGeometry::CellLeft(int cell) const
{
    return (cell - 1) * DigitWidth + cell * Pitch;
}

int TCellGeometry::PointLeft(int cell) const
{
    return (cell - 1) * (DigitWidth + Pitch) + 2;
}

TCellGeometry ComputeGeometry(int width, int height, int digitNum, int digitSpacing, int gapX,
                              int gapY, int segmentSize)
{
    TCellGeometry geometry;
    geometry.DigitNum = digitNum;
    geometry.DigitSpacing = digitSpacing;
    geometry.GapX = gapX;
    geometry.GapY = gapY;
    geometry.SegmentSize = segmentSize;
    geometry.Pitch = digitSpacing + 1;
    // C++ division truncates toward zero, as the cell width needs.
    geometry.DigitWidth = digitNum >= 1 ? (width - 1 - digitNum * geometry.Pitch) / digitNum : 0;
    geometry.Bottom = height - 1;
    geometry.Mid = geometry.Bottom / 2;
    geometry.HLen = geometry.DigitWidth - 2 * gapX;
    geometry.VLen = geometry.Mid - 2 * gapY;
    return geometry;
}

TPolygon HorizontalBar(int x, int y, int length, int thickness, int segmentSize)
{
    const int c = y + HalfEvenQuotient(thickness, 4);
    const int half = segmentSize / 2;
    const TPoint first{x, c};
    return {first,
            TPoint{x + half, y},
            TPoint{x + length - half, y},
            TPoint{x + length, c},
            TPoint{x + length - segmentSize, y + thickness},
            TPoint{x + segmentSize, y + thickness},
            first};
}

TPolygon MiddleBar(int x, int y, int length, int thickness, int segmentSize)
{
    const int c = y + HalfEvenQuotient(thickness, 2);
    const TPoint first{x, c};
    return {first,
            TPoint{x + segmentSize, y},
            TPoint{x + length - segmentSize, y},
            TPoint{x + length, c},
            TPoint{x + length - segmentSize, y + thickness},
            TPoint{x + segmentSize, y + thickness},
            first};
}

TPolygon VerticalBar(int x, int y, int length, int thickness, int segmentSize)
{
    const int c = x + HalfEvenQuotient(thickness, 4);
    const int half = segmentSize / 2;
    const TPoint first{c, y};
    return {first,
            TPoint{x, y + half},
            TPoint{x, y + length - half},
            TPoint{c, y + length},
            TPoint{x + thickness, y + length - segmentSize},
            TPoint{x + thickness, y + segmentSize},
            first};
}

TPolygon SegmentPolygon(const TCellGeometry& g, int cell, int segment)
{
    const int left = g.CellLeft(cell);
    const int s = g.SegmentSize;
    switch (segment) {
    case 1:
        return HorizontalBar(left + g.GapX, 0, g.HLen, s, s);
    case 2:
        return VerticalBar(left, g.GapY, g.VLen, s, s);
    case 3:
        return VerticalBar(left + g.DigitWidth, g.GapY, g.VLen, -s, s);
    case 4:
        return MiddleBar(left + g.GapX, g.Mid - s / 2, g.HLen, s, s);
    case 5:
        return VerticalBar(left, g.Mid + g.GapY, g.VLen, s, s);
    case 6:
        return VerticalBar(left + g.DigitWidth, g.Mid + g.GapY, g.VLen, -s, s);
    case 7:
        return HorizontalBar(left + g.GapX, g.Bottom, g.HLen, -s, s);
    default:
        return TPolygon{};
    }
}

std::array<TBox, 2> ColonBoxes(const TCellGeometry& g, int cell)
{
    const int dotWidth = g.HLen / 3;
    const int dotHeight = g.VLen / 3;
    const int left = g.CellLeft(cell) + (g.DigitWidth - dotWidth) / 2;
    return {TBox{left, g.Mid - 2 * dotHeight, left + dotWidth, g.Mid - dotHeight},
            TBox{left, g.Mid + dotHeight, left + dotWidth, g.Mid + 2 * dotHeight}};
}

TBox PointBox(const TCellGeometry& g, int cell)
{
    const int left = g.PointLeft(cell);
    const int side = g.DigitSpacing - 2;
    return TBox{left, g.Bottom - side, left + side, g.Bottom};
}

std::vector<TBox> EllipseRows(const TBox& box)
{
    std::vector<TBox> rows;
    if (box.IsEmpty())
        return rows;
    const double radiusX = (box.Right - box.Left) / 2.0;
    const double radiusY = (box.Bottom - box.Top) / 2.0;
    // Centre in pixel-index terms: the middle of the first and last pixel of each axis.
    const double centreX = box.Left + (box.Right - box.Left - 1) / 2.0;
    const double centreY = box.Top + (box.Bottom - box.Top - 1) / 2.0;
    for (int y = box.Top; y < box.Bottom; ++y) {
        const double dy = (y - centreY) / radiusY;
        // Pixel centres lie strictly within the vertical radius, so the share stays positive.
        const double halfSpan = radiusX * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        // A thin ellipse still has its outline in every row: at least the middle pixels.
        const int left = std::min(static_cast<int>(std::ceil(centreX - halfSpan)),
                                  static_cast<int>(std::floor(centreX)));
        const int right = std::max(static_cast<int>(std::floor(centreX + halfSpan)),
                                   static_cast<int>(std::ceil(centreX)));
        rows.push_back(TBox{std::max(box.Left, left), y, std::min(box.Right - 1, right) + 1, y + 1});
    }
    return rows;
}
