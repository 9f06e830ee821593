// Pixels of the main window's readout: bars, colon dots and point squares where the geometry puts them.
#include <gtest/gtest.h>

#include <QImage>

#include <memory>

#include "widgets/Lcd99.h"
#include "widgets/ReadoutTestHelpers.h"

namespace {

// Stored as 0x00BBGGRR; deliberately not symmetric, so swapped channels show.
constexpr std::uint32_t DistinctOffColor = 0x204080;
const QRgb OffPixel = qRgb(0x80, 0x40, 0x20);
const QRgb OnPixel = qRgb(0x00, 0xFF, 0x00);
const QRgb BackgroundPixel = qRgb(0, 0, 0);

QImage RenderValue(const std::string& value, std::uint32_t offColor = 0)
{
    auto lcd = MainWindowReadout();
    lcd->SetOffColor(offColor);
    lcd->SetValue(value);
    return Render(*lcd);
}

struct Bar {
    const char* Name;
    int Segment;
    std::array<QPoint, 6> Vertices;
    QPoint Inside;
};

// Cell 1 of the main window's readout.
const Bar Bars[] = {
    {"top", 1, {{{8, 1}, {9, 0}, {27, 0}, {28, 1}, {25, 3}, {11, 3}}}, {18, 1}},
    {"upper left", 2, {{{7, 2}, {6, 3}, {6, 12}, {7, 13}, {9, 10}, {9, 5}}}, {7, 7}},
    {"upper right", 3, {{{29, 2}, {30, 3}, {30, 12}, {29, 13}, {27, 10}, {27, 5}}}, {29, 7}},
    {"middle", 4, {{{8, 16}, {11, 14}, {25, 14}, {28, 16}, {25, 17}, {11, 17}}}, {18, 15}},
    {"lower left", 5, {{{7, 17}, {6, 18}, {6, 27}, {7, 28}, {9, 25}, {9, 20}}}, {7, 22}},
    {"lower right", 6, {{{29, 17}, {30, 18}, {30, 27}, {29, 28}, {27, 25}, {27, 20}}}, {29, 22}},
    {"bottom", 7, {{{8, 30}, {9, 31}, {27, 31}, {28, 30}, {25, 28}, {11, 28}}}, {18, 30}},
};

void ExpectBarColour(const QImage& image, const Bar& bar, QRgb colour, int shift = 0)
{
    for (const QPoint& vertex : bar.Vertices)
        EXPECT_EQ(image.pixel(vertex.x() + shift, vertex.y()), colour)
            << bar.Name << " vertex (" << vertex.x() + shift << "," << vertex.y() << ")";
    EXPECT_EQ(image.pixel(bar.Inside.x() + shift, bar.Inside.y()), colour) << bar.Name << " inside";
}

// Every bar of a cell lit or unlit as the character's pattern says.
void ExpectCellShows(const QImage& image, int cell, char character, QRgb off)
{
    const int shift = (cell - 1) * 30;
    for (const Bar& bar : Bars) {
        SCOPED_TRACE(std::string("cell ") + std::to_string(cell) + " '" + character + "'");
        ExpectBarColour(image, bar, SegmentLit(character, bar.Segment) ? OnPixel : off, shift);
    }
}

int CountPixels(const QImage& image, QRgb colour, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

void ExpectSquare(const QImage& image, int left, QRgb colour)
{
    EXPECT_EQ(CountPixels(image, colour, QRect(left, 28, 3, 3)), 9) << "square at " << left;
    // The box's right and bottom edges lie outside it, and so does everything around it.
    for (const QPoint& outside : {QPoint(left - 1, 28), QPoint(left + 3, 28), QPoint(left, 27),
                                  QPoint(left, 31), QPoint(left + 3, 31), QPoint(left + 2, 31)})
        EXPECT_EQ(image.pixel(outside), BackgroundPixel)
            << "(" << outside.x() << "," << outside.y() << ")";
}

}  // namespace

TEST(Lcd99Pixels, EveryBarOfAnEightIsLit)
{
    const QImage image = RenderValue("8  ", DistinctOffColor);
    for (const Bar& bar : Bars)
        ExpectBarColour(image, bar, OnPixel);
    // Gaps between the bars and around the cell stay background.
    for (const QPoint& gap : {QPoint(8, 0), QPoint(28, 0), QPoint(6, 2), QPoint(30, 2),
                              QPoint(6, 13), QPoint(7, 14), QPoint(6, 15), QPoint(29, 15),
                              QPoint(30, 16), QPoint(8, 31), QPoint(28, 31), QPoint(5, 15),
                              QPoint(31, 15), QPoint(18, 7), QPoint(18, 22)})
        EXPECT_EQ(image.pixel(gap), BackgroundPixel) << "(" << gap.x() << "," << gap.y() << ")";
    // The cell never spills beyond its bars.
    EXPECT_EQ(CountPixels(image, OnPixel, QRect(0, 0, 6, 32)), 0);
    EXPECT_EQ(CountPixels(image, OnPixel, QRect(31, 0, 61, 32)), 0);
}

TEST(Lcd99Pixels, UnlitBarsTakeTheOffColour)
{
    const QImage image = RenderValue("-  ", DistinctOffColor);
    for (const Bar& bar : Bars)
        ExpectBarColour(image, bar, bar.Segment == 4 ? OnPixel : OffPixel);
    // No colon for a minus sign: the dots are drawn unlit.
    EXPECT_EQ(image.pixel(18, 10), OffPixel);
    EXPECT_EQ(image.pixel(18, 19), OffPixel);
}

TEST(Lcd99Pixels, ColonDotsFillTheirBoxes)
{
    const QImage image = RenderValue(":  ");
    const QRect upper(15, 9, 6, 3);  // (15,9) to (21,12), right and bottom edges outside
    const QRect lower(15, 18, 6, 3);
    const int inUpper = CountPixels(image, OnPixel, upper);
    const int inLower = CountPixels(image, OnPixel, lower);
    EXPECT_GT(inUpper, 9);
    EXPECT_EQ(inLower, inUpper);
    EXPECT_EQ(CountPixels(image, OnPixel, image.rect()), inUpper + inLower) << "only the dots are lit";
    // Each dot reaches all four edges of its box.
    for (const QRect& box : {upper, lower}) {
        EXPECT_GT(CountPixels(image, OnPixel, QRect(box.left(), box.top(), 1, box.height())), 0);
        EXPECT_GT(CountPixels(image, OnPixel, QRect(box.right(), box.top(), 1, box.height())), 0);
        EXPECT_GT(CountPixels(image, OnPixel, QRect(box.left(), box.top(), box.width(), 1)), 0);
        EXPECT_GT(CountPixels(image, OnPixel, QRect(box.left(), box.bottom(), box.width(), 1)), 0);
        EXPECT_EQ(image.pixel(box.center()), OnPixel);
    }
}

TEST(Lcd99Pixels, PointSquaresSitInTheGapsBeforeTheCells)
{
    const QImage lit = RenderValue(".1.2.3");
    for (int left : {2, 32, 62})
        ExpectSquare(lit, left, OnPixel);

    const QImage unlit = RenderValue("123", DistinctOffColor);
    for (int left : {2, 32, 62})
        EXPECT_EQ(CountPixels(unlit, OffPixel, QRect(left, 28, 3, 3)), 9) << left;
}

TEST(Lcd99Pixels, ZeroIsRightAligned)
{
    const QImage image = RenderValue("0", DistinctOffColor);
    ExpectCellShows(image, 1, ' ', OffPixel);
    ExpectCellShows(image, 2, ' ', OffPixel);
    ExpectCellShows(image, 3, '0', OffPixel);
}

TEST(Lcd99Pixels, LongerValueShowsItsFirstCells)
{
    auto lcd = MainWindowReadout();
    lcd->SetValue("1234");
    const QImage image = Render(*lcd);
    EXPECT_EQ(lcd->Value(), "1234");
    EXPECT_EQ(image, RenderValue("123"));
    ExpectCellShows(image, 3, '3', BackgroundPixel);
}

TEST(Lcd99Pixels, PointLightsInFrontOfItsCell)
{
    const QImage withPoint = RenderValue("12.5", DistinctOffColor);
    const QImage withoutPoint = RenderValue("125", DistinctOffColor);
    ExpectCellShows(withPoint, 1, '1', OffPixel);
    ExpectCellShows(withPoint, 2, '2', OffPixel);
    ExpectCellShows(withPoint, 3, '5', OffPixel);
    EXPECT_EQ(CountPixels(withPoint, OnPixel, QRect(62, 28, 3, 3)), 9);
    EXPECT_EQ(CountPixels(withPoint, OffPixel, QRect(2, 28, 3, 3)), 9);
    EXPECT_EQ(CountPixels(withPoint, OffPixel, QRect(32, 28, 3, 3)), 9);
    // Nothing else differs from the same digits without the point.
    QImage masked = withPoint;
    for (int y = 28; y < 31; ++y)
        for (int x = 62; x < 65; ++x)
            masked.setPixel(x, y, OffPixel);
    EXPECT_EQ(masked, withoutPoint);
}

TEST(Lcd99Pixels, LettersShowTheirPatterns)
{
    auto lcd = MainWindowReadout();
    lcd->SetOffColor(DistinctOffColor);
    lcd->SetValue("abc");
    EXPECT_EQ(lcd->Value(), "ABC");
    const QImage image = Render(*lcd);
    ExpectCellShows(image, 1, 'A', OffPixel);
    ExpectCellShows(image, 2, 'B', OffPixel);
    ExpectCellShows(image, 3, 'C', OffPixel);
}

TEST(Lcd99Pixels, RejectedOrEmptyTextBlanksTheDisplay)
{
    for (const char* text : {"12,5", ""}) {
        auto lcd = MainWindowReadout();
        Render(*lcd);  // "0" on display first
        lcd->SetValue(text);
        EXPECT_EQ(lcd->Value(), "") << text;
        const QImage image = Render(*lcd);
        EXPECT_EQ(CountPixels(image, OnPixel, image.rect()), 0) << text;
        EXPECT_EQ(CountPixels(image, qRgb(255, 255, 255), image.rect()), 0) << text;
    }
}

TEST(Lcd99Pixels, MinusLightsOnlyTheMiddleBarAndColonOnlyItsDots)
{
    const QImage minus = RenderValue("-", DistinctOffColor);
    ExpectCellShows(minus, 3, '-', OffPixel);
    EXPECT_EQ(CountPixels(minus, OnPixel, QRect(0, 0, 66, 32)), 0);
    EXPECT_EQ(CountPixels(minus, OnPixel, QRect(66, 0, 26, 14)), 0);
    EXPECT_EQ(CountPixels(minus, OnPixel, QRect(66, 18, 26, 14)), 0);

    const QImage colon = RenderValue(":");
    const int inDots = CountPixels(colon, OnPixel, QRect(75, 9, 6, 3)) +
                       CountPixels(colon, OnPixel, QRect(75, 18, 6, 3));
    EXPECT_GT(inDots, 0);
    EXPECT_EQ(CountPixels(colon, OnPixel, colon.rect()), inDots);
}

TEST(Lcd99Pixels, RepaintEndsWithTheSamePicture)
{
    auto lcd = MainWindowReadout();
    lcd->SetOffColor(DistinctOffColor);
    lcd->SetValue("12.5");
    const QImage first = Render(*lcd);
    EXPECT_EQ(Render(*lcd), first);
    // Changing from another text draws the same as painting from scratch.
    lcd->SetValue("8.8:");
    Render(*lcd);
    lcd->SetValue("12.5");
    EXPECT_EQ(Render(*lcd), first);
}

TEST(Lcd99Pixels, StoredColoursAreBlueGreenRed)
{
    auto lcd = MainWindowReadout();
    lcd->SetColor(0x102030);
    lcd->SetOnColor(0x0000FF);
    const QImage image = Render(*lcd);
    EXPECT_EQ(image.pixel(91, 0), qRgb(0x30, 0x20, 0x10));
    EXPECT_EQ(image.pixel(78, 1), qRgb(0xFF, 0, 0)) << "top bar of the zero is red";
}

namespace {
class TUnbufferableLCD : public TLCD99 {
protected:
    bool MakeBuffer(QImage& /*buffer*/, const QSize& /*size*/) override { return false; }
};
}  // namespace

TEST(Lcd99Pixels, UnbufferedPaintsTheSamePicture)
{
    const QImage buffered = RenderValue("1.2:", DistinctOffColor);

    auto direct = MainWindowReadout();
    direct->SetDoubleBuffer(false);
    direct->SetOffColor(DistinctOffColor);
    direct->SetValue("1.2:");
    EXPECT_EQ(Render(*direct), buffered);

    TUnbufferableLCD fallback;
    fallback.resize(92, 32);
    fallback.SetDigitNum(3);
    fallback.SetSegmentSize(3);
    fallback.SetOffColor(DistinctOffColor);
    fallback.SetValue("1.2:");
    EXPECT_EQ(Render(fallback), buffered);
}

TEST(Lcd99Pixels, NoCellsPaintOnlyTheBackground)
{
    for (int digits : {0, -3}) {
        auto lcd = MainWindowReadout();
        lcd->SetColor(0x102030);
        lcd->SetDigitNum(digits);
        int shapes = 0;
        lcd->SetDrawObserver([&shapes](const TLCDDrawnShape&) { ++shapes; });
        const QImage image = Render(*lcd);
        EXPECT_EQ(shapes, 0);
        EXPECT_EQ(CountPixels(image, qRgb(0x30, 0x20, 0x10), image.rect()), 92 * 32) << digits;
        EXPECT_FALSE(lcd->IsPainting());
    }
}
