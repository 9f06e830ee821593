// The spin button alone: keys press its arrows, and holding an arrow repeats until it is let go.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <vector>

#include "support/ChildProcess.h"
#include "widgets/SpinButton.h"

TEST(SpinButtonTest, ArrowKeysAndSpacePressTheArrows)
{
    TSpinButton spin;
    spin.resize(25, 34);
    int ups = 0;
    int downs = 0;
    QObject::connect(&spin, &TSpinButton::UpClick, [&] { ++ups; });
    QObject::connect(&spin, &TSpinButton::DownClick, [&] { ++downs; });
    const auto key = [&](int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QCoreApplication::sendEvent(&spin, &event);
    };
    key(Qt::Key_Space);  // the up arrow is the focused one at first
    EXPECT_EQ(ups, 1);
    key(Qt::Key_Down);
    EXPECT_EQ(downs, 1);
    key(Qt::Key_Space);  // now the down arrow
    EXPECT_EQ(downs, 2);
    key(Qt::Key_Up);
    EXPECT_EQ(ups, 2);
}

TEST(SpinButtonTest, HoldingAnArrowRepeatsAfterAPauseUntilReleased)
{
    TSpinButton spin;
    spin.resize(25, 34);
    spin.show();
    std::vector<qint64> clicks;
    QElapsedTimer clock;
    QObject::connect(&spin, &TSpinButton::DownClick, [&] { clicks.push_back(clock.elapsed()); });
    const QPoint lowerHalf(12, 30);
    clock.start();
    // Through the window system, so that the application knows the button is down.
    QTest::mousePress(spin.windowHandle(), Qt::LeftButton, Qt::NoModifier, lowerHalf);
    ASSERT_EQ(clicks.size(), 1u) << "a press steps at once";
    WaitFor(1000);
    QTest::mouseRelease(spin.windowHandle(), Qt::LeftButton, Qt::NoModifier, lowerHalf);
    const std::size_t held = clicks.size();
    WaitFor(300);
    EXPECT_EQ(clicks.size(), held) << "release ends the repeat";
    ASSERT_GE(held, 3u);
    EXPECT_GE(clicks[1] - clicks[0], 350) << "the first repeat waits longer than the next ones";
    EXPECT_LT(clicks[2] - clicks[1], clicks[1] - clicks[0]);
}
