// The compass dial alone: its geometry, what clicks, drags and keys choose, and the slider a screen reader sees.
#include <QAccessible>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "widgets/Compass.h"
#include "widgets/CompassGeometry.h"
#include "widgets/WidgetAccessibility.h"

namespace {

TEST(CompassTest, AzimuthOfAPointIsClockwiseFromTheTopInWholeDegrees)
{
    const TDial dial{QPointF(100, 100), 90};
    struct Row {
        const char* Name;
        QPointF Point;
        std::optional<int> Azimuth;
    };
    const double d = 359.6 * 3.14159265358979323846 / 180;
    const Row rows[] = {
        {"centre", {100, 100}, std::nullopt},
        {"next to the centre", {103, 100}, std::nullopt},
        {"north", {100, 20}, 0},
        {"east", {180, 100}, 90},
        {"south", {100, 180}, 180},
        {"west", {20, 100}, 270},
        {"north-east", {150, 50}, 45},
        {"outside the dial still aims", {100, 300}, 180},
        {"359.6 rounds to north", {100 + 80 * std::sin(d), 100 - 80 * std::cos(d)}, 0},
        {"0.5 goes to the even 0", {100 + 80 * std::sin(0.5 * 3.14159265358979323846 / 180),
                                    100 - 80 * std::cos(0.5 * 3.14159265358979323846 / 180)}, 0},
        {"1.5 goes to the even 2", {100 + 80 * std::sin(1.5 * 3.14159265358979323846 / 180),
                                    100 - 80 * std::cos(1.5 * 3.14159265358979323846 / 180)}, 2},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AzimuthAt(row.Point, dial), row.Azimuth) << row.Name;
}

TEST(CompassTest, PointsAndAzimuthsAgreeAtEverySize)
{
    struct Row {
        const char* Name;
        QSizeF Size;
    };
    const Row rows[] = {{"200 px", {200, 200}}, {"800 px", {800, 800}}, {"wide", {800, 200}}, {"tall", {200, 800}}};
    for (const Row& row : rows) {
        const TDial dial = DialIn(row.Size);
        EXPECT_DOUBLE_EQ(dial.Centre.x(), row.Size.width() / 2) << row.Name;
        EXPECT_DOUBLE_EQ(dial.Centre.y(), row.Size.height() / 2) << row.Name;
        EXPECT_GT(dial.Radius, std::min(row.Size.width(), row.Size.height()) * 0.45) << row.Name;
        EXPECT_LE(dial.Radius * 2, std::min(row.Size.width(), row.Size.height())) << row.Name;
        for (int azimuth = 0; azimuth < 360; ++azimuth)
            ASSERT_EQ(AzimuthAt(PointAt(dial.Centre, dial.Radius * 0.9, azimuth), dial), azimuth) << row.Name;
    }
    EXPECT_NEAR(PointAt(QPointF(0, 0), 10, 90).x(), 10, 1e-9) << "east is to the right";
    EXPECT_NEAR(PointAt(QPointF(0, 0), 10, 0).y(), -10, 1e-9) << "north is up";
}

class TCompassWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Compass.resize(200, 200);
        QObject::connect(&Compass, &TCompass::AzimuthChosen, [this](int degrees) { Chosen.push_back(degrees); });
    }
    void Key(int code)
    {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QCoreApplication::sendEvent(&Compass, &event);
    }
    void Mouse(QEvent::Type type, const QPointF& point, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, point, Compass.mapToGlobal(point), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&Compass, &event);
    }

    TCompass Compass;
    std::vector<int> Chosen;
};

TEST_F(TCompassWidgetTest, KeysTurnTheTargetAndStopAtTheEnds)
{
    struct Row {
        const char* Name;
        int Target;
        int Key;
        std::optional<int> Chosen;
    };
    const Row rows[] = {
        {"right", 100, Qt::Key_Right, 101},      {"up", 100, Qt::Key_Up, 101},
        {"left", 100, Qt::Key_Left, 99},         {"down", 100, Qt::Key_Down, 99},
        {"page up", 100, Qt::Key_PageUp, 110},   {"page down", 100, Qt::Key_PageDown, 90},
        {"up at 359", 359, Qt::Key_Up, std::nullopt},
        {"down at 0", 0, Qt::Key_Down, std::nullopt},
        {"page up near the end stops at 359", 355, Qt::Key_PageUp, 359},
        {"page down near 0 stops at 0", 5, Qt::Key_PageDown, 0},
        {"page up at 359", 359, Qt::Key_PageUp, std::nullopt},
        {"another key", 100, Qt::Key_A, std::nullopt},
    };
    for (const Row& row : rows) {
        Chosen.clear();
        Compass.SetTarget(row.Target);
        Key(row.Key);
        EXPECT_EQ(Chosen, row.Chosen ? std::vector<int>{*row.Chosen} : std::vector<int>{}) << row.Name;
        EXPECT_EQ(Compass.Target(), row.Target) << row.Name << ": the owner writes the target, not the dial";
    }
    Chosen.clear();
    Compass.SetTarget(std::nullopt);
    Key(Qt::Key_Right);
    EXPECT_TRUE(Chosen.empty()) << "no target shown: nothing to turn";
}

TEST_F(TCompassWidgetTest, AClickChoosesWhereItLandsAndADragEachNewDegree)
{
    Mouse(QEvent::MouseButtonPress, QPointF(190, 100), Qt::LeftButton);
    EXPECT_EQ(Chosen, std::vector<int>{90});
    Mouse(QEvent::MouseMove, QPointF(190, 100.3), Qt::LeftButton);  // within the same degree
    Mouse(QEvent::MouseMove, QPointF(100, 190), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPointF(100, 190), Qt::NoButton);
    Mouse(QEvent::MouseMove, QPointF(10, 100), Qt::NoButton);  // no button held: no drag
    EXPECT_EQ(Chosen, (std::vector<int>{90, 180}));

    Mouse(QEvent::MouseButtonPress, QPointF(100, 100), Qt::LeftButton);
    EXPECT_EQ(Chosen.size(), 2u) << "the centre aims nowhere";
    Mouse(QEvent::MouseButtonRelease, QPointF(100, 100), Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, QPointF(100, 190), Qt::LeftButton);
    EXPECT_EQ(Chosen, (std::vector<int>{90, 180, 180})) << "a new click chooses again, even the same degree";
}

TEST_F(TCompassWidgetTest, AScreenReaderSeesASliderOfTheTargetAndSetsIt)
{
    InstallWidgetAccessibility();
    Compass.setAccessibleName(QStringLiteral("Compass"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&Compass);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Slider);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Compass"));
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 359);
    EXPECT_FALSE(value->currentValue().isValid()) << "no target, no value";
    Compass.SetTarget(235);
    EXPECT_EQ(value->currentValue().toInt(), 235);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("235"));

    value->setCurrentValue(12.5);
    value->setCurrentValue(400);
    value->setCurrentValue(-3);
    value->setCurrentValue(QStringLiteral("north"));
    EXPECT_EQ(Chosen, (std::vector<int>{12, 359, 0})) << "whole degrees within 0..359; no number, nothing";
    EXPECT_EQ(value->currentValue().toInt(), 235) << "the owner writes the target";
}

TEST_F(TCompassWidgetTest, TheMarksLandWhereTheAzimuthsPoint)
{
    // Painted at 200 px: the target's red is on the rim at its azimuth, the long path's faint red opposite,
    // and the heading's blue needle towards its azimuth.
    Compass.SetTarget(90);
    Compass.SetHeading(true, 0, QStringLiteral("Heading: "));
    QImage image(Compass.size(), QImage::Format_ARGB32);
    Compass.render(&image);
    const TDial dial = DialIn(Compass.size());
    const auto colourAt = [&](double azimuth, double share) {
        return image.pixelColor(PointAt(dial.Centre, dial.Radius * share, azimuth).toPoint());
    };
    const QColor target = colourAt(90, 0.85);
    EXPECT_GT(target.red(), 150);
    EXPECT_LT(target.green(), 60);
    const QColor longPath = colourAt(270, 0.85);
    EXPECT_GT(longPath.red(), longPath.green() + 30) << "reddish";
    EXPECT_GT(longPath.green(), 100) << "but faint";
    const QColor needle = colourAt(0, 0.5);
    EXPECT_GT(needle.blue(), needle.red() + 60);
    const QColor noNeedle = colourAt(180, 0.5);
    EXPECT_LT(std::abs(noNeedle.blue() - noNeedle.red()), 30) << "the needle points one way only";

    Compass.SetHeading(false, 0, QStringLiteral("Heading: "));
    image.fill(Qt::white);
    Compass.render(&image);
    const QColor withoutReadBack = colourAt(0, 0.5);
    EXPECT_LT(std::abs(withoutReadBack.blue() - withoutReadBack.red()), 30) << "read-back off: no needle";
}

}  // namespace
