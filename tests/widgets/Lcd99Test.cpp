// TLCD99 behaviour: initial values, repaint requests, the About box and the animated paint.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "support/Recorders.h"
#include "widgets/Lcd99.h"
#include "widgets/ReadoutTestHelpers.h"

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Count;
        return false;
    }
};

void SettlePendingPaints()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The segments drawn for changed cells after the redraw of the old picture: the old picture
// of DigitNum cells comes first, as points then eight steps over every cell.
std::vector<TLCDDrawnShape> AfterOldPicture(const std::vector<TLCDDrawnShape>& shapes, int digits)
{
    const auto oldPicture = static_cast<std::size_t>(digits + 8 * digits);
    if (shapes.size() < oldPicture)
        return {};
    return std::vector<TLCDDrawnShape>(shapes.begin() + static_cast<std::ptrdiff_t>(oldPicture),
                                       shapes.end());
}

std::vector<std::pair<int, int>> PositionsAndSegments(const std::vector<TLCDDrawnShape>& shapes)
{
    std::vector<std::pair<int, int>> result;
    for (const TLCDDrawnShape& shape : shapes)
        result.emplace_back(shape.Position, shape.Segment);
    return result;
}

// The expected order of an animated change of cells 2 and 3: each step over both cells.
std::vector<std::pair<int, int>> StepsOverCellsTwoAndThree(const std::array<int, 8>& order)
{
    std::vector<std::pair<int, int>> result;
    for (int segment : order) {
        result.emplace_back(2, segment);
        result.emplace_back(3, segment);
    }
    return result;
}

}  // namespace

TEST(Lcd99, InitialValues)
{
    TLCD99 lcd;
    EXPECT_EQ(lcd.About(), abNone);
    EXPECT_EQ(lcd.Animation(), anNone);
    EXPECT_EQ(lcd.AnimationDelay(), 0);
    EXPECT_EQ(lcd.DigitNum(), 4);
    EXPECT_EQ(lcd.DigitSpacing(), 5);
    EXPECT_TRUE(lcd.DoubleBuffer());
    EXPECT_EQ(lcd.GapX(), 2);
    EXPECT_EQ(lcd.GapY(), 2);
    EXPECT_FALSE(lcd.IsPainting());
    EXPECT_EQ(lcd.OffColor(), 0u);
    EXPECT_EQ(lcd.OnColor(), 0x00FF00u);
    EXPECT_EQ(lcd.Color(), 0u);
    EXPECT_EQ(lcd.PaintDuration(), 0u);
    EXPECT_FALSE(lcd.Preview());
    EXPECT_EQ(lcd.SegmentSize(), 2);
    EXPECT_EQ(lcd.Value(), "");
    EXPECT_EQ(lcd.width(), 92);
    EXPECT_EQ(lcd.height(), 34);
    EXPECT_TRUE(lcd.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_TRUE(lcd.testAttribute(Qt::WA_NoSystemBackground));
}

TEST(Lcd99, WhichWritesRequestARepaint)
{
    struct Row {
        const char* Name;
        std::function<void(TLCD99&)> Write;
        bool Repaints;
    };
    const Row rows[] = {
        {"same value", [](TLCD99& l) { l.SetValue("0"); }, false},
        {"new value", [](TLCD99& l) { l.SetValue("1"); }, true},
        {"value normalising to the same", [](TLCD99& l) { l.SetValue("0."); }, true},
        {"animation", [](TLCD99& l) { l.SetAnimation(anDown); }, false},
        {"animation delay", [](TLCD99& l) { l.SetAnimationDelay(50); }, false},
        {"double buffer", [](TLCD99& l) { l.SetDoubleBuffer(false); }, false},
        {"same digit count", [](TLCD99& l) { l.SetDigitNum(3); }, false},
        {"digit count", [](TLCD99& l) { l.SetDigitNum(2); }, true},
        {"digit spacing", [](TLCD99& l) { l.SetDigitSpacing(4); }, true},
        {"gap x", [](TLCD99& l) { l.SetGapX(1); }, true},
        {"gap y", [](TLCD99& l) { l.SetGapY(1); }, true},
        {"same segment size", [](TLCD99& l) { l.SetSegmentSize(3); }, false},
        {"segment size", [](TLCD99& l) { l.SetSegmentSize(2); }, true},
        {"on colour", [](TLCD99& l) { l.SetOnColor(0x0000FF); }, true},
        {"same off colour", [](TLCD99& l) { l.SetOffColor(0); }, false},
        {"off colour", [](TLCD99& l) { l.SetOffColor(0x202020); }, true},
        {"colour", [](TLCD99& l) { l.SetColor(0x303030); }, true},
        {"preview off", [](TLCD99& l) { l.SetPreview(false); }, false},
        {"preview on", [](TLCD99& l) { l.SetPreview(true); }, true},
        {"about none", [](TLCD99& l) { l.SetAbout(abNone); }, false},
    };
    for (const Row& row : rows) {
        auto lcd = MainWindowReadout();
        lcd->show();
        SettlePendingPaints();
        TPaintCounter paints(lcd.get());
        row.Write(*lcd);
        EXPECT_EQ(paints.Count, 0) << row.Name << ": a setter never paints at once";
        SettlePendingPaints();
        EXPECT_EQ(paints.Count > 0, row.Repaints) << row.Name;
    }
}

TEST(Lcd99, AboutShowsTheCreditAndRepaints)
{
    TMessageBoxRecorder boxes;
    auto lcd = MainWindowReadout();
    lcd->show();
    SettlePendingPaints();
    TPaintCounter paints(lcd.get());
    lcd->SetAbout(abAbout);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Kind, TMessageKind::Information);
    EXPECT_NE(boxes.Boxes[0].Text.find("TLCD99"), std::string::npos);
    EXPECT_EQ(lcd->About(), abNone);
    SettlePendingPaints();
    EXPECT_GT(paints.Count, 0);
}

TEST(Lcd99, PlainChangeDrawsOnlyTheChangedCellsDownward)
{
    auto lcd = MainWindowReadout();
    Render(*lcd);
    std::vector<TLCDDrawnShape> shapes;
    lcd->SetDrawObserver([&shapes](const TLCDDrawnShape& shape) { shapes.push_back(shape); });
    lcd->SetValue("12");
    Render(*lcd);
    EXPECT_EQ(PositionsAndSegments(AfterOldPicture(shapes, 3)),
              StepsOverCellsTwoAndThree(AnimationOrder[anDown]));
}

TEST(Lcd99, AnimatedChangeDrawsEachKindsOrder)
{
    for (TLCDAnimation kind : {anSpiral, anUp, anDown, anLeft, anRight}) {
        auto lcd = MainWindowReadout();
        Render(*lcd);
        lcd->SetAnimation(kind);
        lcd->SetAnimationDelay(140);
        std::vector<TLCDDrawnShape> shapes;
        lcd->SetDrawObserver([&shapes](const TLCDDrawnShape& shape) { shapes.push_back(shape); });
        lcd->SetValue("12");
        Render(*lcd);
        const auto animated = AfterOldPicture(shapes, 3);
        EXPECT_EQ(PositionsAndSegments(animated),
                  StepsOverCellsTwoAndThree(AnimationOrder[static_cast<std::size_t>(kind)]))
            << "kind " << kind;
        // "1" in cell 2: only the right-hand bars lit.
        for (const TLCDDrawnShape& shape : animated) {
            if (shape.Position == 2) {
                EXPECT_EQ(shape.Lit, shape.Segment == 3 || shape.Segment == 6);
            }
        }
        // The budget is spent in pauses between the steps, never less than most of it.
        EXPECT_GE(lcd->PaintDuration(), 100u);
    }
}

TEST(Lcd99, RandomAnimationUsesOneOfTheKinds)
{
    auto lcd = MainWindowReadout();
    Render(*lcd);
    lcd->SetAnimation(anRandom);
    lcd->SetAnimationDelay(14);
    std::vector<TLCDDrawnShape> shapes;
    lcd->SetDrawObserver([&shapes](const TLCDDrawnShape& shape) { shapes.push_back(shape); });
    lcd->SetValue("12");
    Render(*lcd);
    const auto drawn = PositionsAndSegments(AfterOldPicture(shapes, 3));
    bool matched = false;
    for (int kind = anSpiral; kind <= anRight; ++kind)
        matched = matched ||
                  drawn == StepsOverCellsTwoAndThree(AnimationOrder[static_cast<std::size_t>(kind)]);
    EXPECT_TRUE(matched);
}

TEST(Lcd99, PausesProcessEventsAndBlockReentry)
{
    auto lcd = MainWindowReadout();
    Render(*lcd);
    lcd->SetAnimation(anDown);
    lcd->SetAnimationDelay(140);
    std::vector<TLCDDrawnShape> shapes;
    lcd->SetDrawObserver([&shapes](const TLCDDrawnShape& shape) { shapes.push_back(shape); });
    bool ranDuringPaint = false;
    std::size_t drawnBeforeNested = 0;
    std::size_t drawnAfterNested = 0;
    QTimer::singleShot(0, [&] {
        ranDuringPaint = lcd->IsPainting();
        drawnBeforeNested = shapes.size();
        Render(*lcd);  // arrives while the paint pauses: must return without drawing
        drawnAfterNested = shapes.size();
    });
    lcd->SetValue("12");
    Render(*lcd);
    EXPECT_TRUE(ranDuringPaint);
    EXPECT_GT(drawnBeforeNested, 0u);
    EXPECT_EQ(drawnAfterNested, drawnBeforeNested);
    EXPECT_FALSE(lcd->IsPainting());
}

TEST(Lcd99, WithoutAnimationAChangeShowsInOnePaintWithoutPauses)
{
    const std::pair<TLCDAnimation, int> rows[] = {{anNone, 700}, {anDown, 0}};
    for (const auto& [kind, delay] : rows) {
        auto lcd = MainWindowReadout();
        Render(*lcd);
        lcd->SetAnimation(kind);
        lcd->SetAnimationDelay(delay);
        bool ranDuringPaint = false;
        QTimer::singleShot(0, [&] { ranDuringPaint = true; });
        lcd->SetValue("12");
        Render(*lcd);
        EXPECT_FALSE(ranDuringPaint) << "kind " << kind << " delay " << delay;
        QCoreApplication::processEvents();
    }
}

TEST(Lcd99, ValueWrittenDuringAnAnimationIsShownAfterwards)
{
    auto lcd = MainWindowReadout();
    lcd->show();
    SettlePendingPaints();
    lcd->SetAnimation(anDown);
    lcd->SetAnimationDelay(70);
    std::vector<TLCDDrawnShape> shapes;
    bool wroteDuringPaint = false;
    // The first animated step queues the write, so the step's pause delivers it.
    lcd->SetDrawObserver([&](const TLCDDrawnShape& shape) {
        shapes.push_back(shape);
        if (shapes.size() == 3 + 3 * 8 + 1) {
            QTimer::singleShot(0, [&] {
                wroteDuringPaint = lcd->IsPainting();
                lcd->SetValue("7");
            });
        }
    });
    lcd->SetValue("12");
    SettlePendingPaints();
    ASSERT_TRUE(wroteDuringPaint);
    EXPECT_EQ(lcd->Value(), "7");
    // The last paint drew the "7" over the "12" that was on display.
    ASSERT_GE(shapes.size(), 16u);
    const std::vector<TLCDDrawnShape> last(shapes.end() - 16, shapes.end());
    for (const TLCDDrawnShape& shape : last) {
        if (shape.Position == 3) {
            EXPECT_EQ(shape.Lit, SegmentLit('7', shape.Segment)) << "segment " << shape.Segment;
        } else {
            EXPECT_EQ(shape.Position, 2);
            EXPECT_FALSE(shape.Lit);
        }
    }
}

TEST(Lcd99, ShownReadoutAnimatesThroughItsOwnPaintEvents)
{
    auto lcd = MainWindowReadout();
    lcd->show();
    SettlePendingPaints();
    lcd->SetAnimation(anUp);
    lcd->SetAnimationDelay(70);
    std::vector<TLCDDrawnShape> shapes;
    lcd->SetDrawObserver([&shapes](const TLCDDrawnShape& shape) { shapes.push_back(shape); });
    lcd->SetValue("12");
    SettlePendingPaints();
    EXPECT_EQ(PositionsAndSegments(AfterOldPicture(shapes, 3)),
              StepsOverCellsTwoAndThree(AnimationOrder[anUp]));
    EXPECT_FALSE(lcd->IsPainting());
}
