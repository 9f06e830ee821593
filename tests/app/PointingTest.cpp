// Pointing: MAN's checks, AUTO's latch, the test-pending chain, LP, the spin button beside the compass, and the LED.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <optional>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "app/CompassWindow.h"
#include "support/MainWindowFixture.h"
#include "widgets/Compass.h"
#include "widgets/CompassGeometry.h"
#include "widgets/Lcd99.h"
#include "widgets/SpinButton.h"

namespace {

// ARSWIN stands in for the rotator: it is found, and every accepted command is one post.
class TPointingTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        TForm1& form = CreateForm();
        Fakes.WindowMessages->FoundWindow = 99;
        StationSettings.ANT = riARSIF;
        form.TimerTrackOKTimer();  // the start tick, so that the LED starts settled
        Fakes.Log->clear();
    }

    // The azimuths posted to ARSWIN (stop values excluded), in order.
    std::vector<int> Sent() const
    {
        std::vector<int> azimuths;
        const std::string prefix = "PostMessage 99 " + std::to_string(Fakes.WindowMessages->MessageId) + " ";
        for (const std::string& entry : *Fakes.Log) {
            if (entry.rfind(prefix, 0) != 0)
                continue;
            const int value = std::stoi(entry.substr(prefix.size()));
            if (value != -1)
                azimuths.push_back(value);
        }
        return azimuths;
    }
    void SetBox(const char* text) { Form->EditAzimut->setText(QString::fromUtf8(text)); }
};

}  // namespace

TEST_F(TPointingTest, EmptyBoxMakesManSilent)
{
    Form->ButtonTrackClick();
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(LedLit());
}

TEST_F(TPointingTest, TextThatIsNoNumberEmptiesTheBoxWithOneBeep)
{
    SetBox("abc");
    Form->ButtonTrackClick();
    EXPECT_TRUE(Form->EditAzimut->text().isEmpty());
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TPointingTest, TextThatIsNoNumberInAutoModeStillBeepsOnce)
{
    Form->SpeedButtonAutoClick();
    SetBox("x1");  // the change presses MAN, which empties the box and presses MAN again
    EXPECT_TRUE(Form->EditAzimut->text().isEmpty());
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_TRUE(Form->AutoModeOn());
}

TEST_F(TPointingTest, NoInterfaceChosenBeeps)
{
    StationSettings.ANT = riNone;
    SetBox("100");
    Form->ButtonTrackClick();
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Form->EditAzimut->text(), "100");
}

struct TRangeRow {
    const char* Name;
    const char* Box;
    bool Sent;
};

class TRangeTest : public TPointingTest, public ::testing::WithParamInterface<TRangeRow> {};

TEST_P(TRangeTest, OnlyZeroUpToBelow360IsSent)
{
    const TRangeRow& row = GetParam();
    std::string text = row.Box;
    std::replace(text.begin(), text.end(), '.', DecimalSeparator);
    SetBox(text.c_str());
    Form->ButtonTrackClick();
    EXPECT_EQ(!Sent().empty(), row.Sent);
    EXPECT_EQ(Beeps.Count(), row.Sent ? 0 : 1);
    EXPECT_EQ(LedLit(), row.Sent);
    EXPECT_EQ(Form->EditAzimut->text().toStdString(), text) << "a value out of range stays in the box";
}

INSTANTIATE_TEST_SUITE_P(Rows, TRangeTest,
                         ::testing::Values(TRangeRow{"Zero", "0", true}, TRangeRow{"Almost360", "359.99", true},
                                           TRangeRow{"Exactly360", "360", false},
                                           TRangeRow{"BelowZero", "-0.5", false},
                                           TRangeRow{"Far", "1000", false}),
                         [](const ::testing::TestParamInfo<TRangeRow>& info) { return std::string(info.param.Name); });

TEST_F(TPointingTest, ManStoresTheTargetAndCallsTheChosenGo)
{
    std::string text = "359.99";
    std::replace(text.begin(), text.end(), '.', DecimalSeparator);
    SetBox(text.c_str());
    Form->ButtonTrackClick();
    EXPECT_NEAR(static_cast<double>(TargetAzimuth), 359.99, 1e-9);
    EXPECT_EQ(Form->LabelEtatInterface->text(), "360") << "ARSWIN gets the rounded value";
}

TEST_F(TPointingTest, StepRuleHoldsBackBelowTheStepAndSendsAtEquality)
{
    StationSettings.STEP_ARSIF = 5;
    LastSentAzimuth = 100;
    SetBox("104");
    Form->ButtonTrackClick();
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_FALSE(LedLit());
    EXPECT_FALSE(CommandNotSent) << "MAN clears the flag";

    SetBox("105");
    Form->ButtonTrackClick();
    EXPECT_EQ(Sent(), std::vector<int>{105});
    EXPECT_TRUE(LedLit());
}

TEST_F(TPointingTest, FirstCommandAfterStartPassesAStepOfTen)
{
    StationSettings.STEP_ARSIF = 10;
    SetBox("0");
    Form->ButtonTrackClick();
    EXPECT_EQ(Sent(), std::vector<int>{0});
}

TEST_F(TPointingTest, ManReleasesAutoUnlessTheLastChangeCameInAutoMode)
{
    Form->SpeedButtonAutoClick();
    EXPECT_TRUE(Form->AutoModeOn());
    EXPECT_TRUE(Form->SpeedButtonAuto->isChecked()) << "the latched state shows";
    SetBox("10");  // sent at once, AUTO stays
    EXPECT_EQ(Sent(), std::vector<int>{10});
    EXPECT_TRUE(Form->AutoModeOn());
    Form->ButtonTrackClick();  // AutomaticPress is set: AUTO stays on
    EXPECT_TRUE(Form->AutoModeOn());

    Form->SpeedButtonAutoClick();
    EXPECT_FALSE(Form->AutoModeOn());
    SetBox("20");  // a change with AUTO off sends nothing and clears AutomaticPress
    EXPECT_EQ(Sent(), std::vector<int>{10});
    Form->SpeedButtonAutoClick();
    Form->ButtonTrackClick();  // the last change came while AUTO was off: MAN releases it
    EXPECT_FALSE(Form->AutoModeOn());
    EXPECT_EQ(Sent(), (std::vector<int>{10, 20}));
}

TEST_F(TPointingTest, AutoPressedOverAFilledBoxSendsNothingUntilItChanges)
{
    SetBox("45");
    Form->SpeedButtonAutoClick();
    EXPECT_TRUE(Sent().empty());
    SetBox("46");
    EXPECT_EQ(Sent(), std::vector<int>{46});
}

TEST_F(TPointingTest, AutoButtonLatchesOnMouseClicks)
{
    Form->SpeedButtonAuto->click();
    EXPECT_TRUE(Form->AutoModeOn());
    Form->SpeedButtonAuto->click();
    EXPECT_FALSE(Form->AutoModeOn());
}

TEST_F(TPointingTest, StopReleasesAutoAndStopsEveryInterface)
{
    Form->SpeedButtonAutoClick();
    SetBox("30");
    ASSERT_TRUE(LedLit());
    Fakes.Log->clear();
    Form->BitBtnStopClick();
    EXPECT_FALSE(Form->AutoModeOn());
    EXPECT_FALSE(LedLit());
    EXPECT_FALSE(Form->TimerBlink->isActive());
    EXPECT_FALSE(Form->TimerTrackOK->isActive());
    const std::string stop = "PostMessage 99 " + std::to_string(Fakes.WindowMessages->MessageId) + " -1 0";
    EXPECT_EQ(std::count(Fakes.Log->begin(), Fakes.Log->end(), stop), 1);
}

TEST_F(TPointingTest, PendingTestIsSentWithAutoOffAndShownOnTheReadout)
{
    TestCommandPending = true;
    SetBox("123");
    EXPECT_FALSE(TestCommandPending);
    EXPECT_EQ(Form->LCDAzi->Value(), "123");
    EXPECT_EQ(Sent(), std::vector<int>{123});
    EXPECT_FALSE(Form->AutoModeOn());
}

TEST_F(TPointingTest, PendingTestWithTheSameTextWaitsForTheNextChange)
{
    SetBox("50");
    TestCommandPending = true;
    SetBox("50");
    EXPECT_TRUE(TestCommandPending);
    EXPECT_TRUE(Sent().empty());
    SetBox("60");  // say, a feed value: handled as the test and sent with AUTO off
    EXPECT_FALSE(TestCommandPending);
    EXPECT_EQ(Sent(), std::vector<int>{60});
}

struct TLongPathRow {
    const char* Name;
    const char* Readout;
    const char* Result;
};

class TLongPathTest : public TPointingTest, public ::testing::WithParamInterface<TLongPathRow> {};

TEST_P(TLongPathTest, LongPathFlipsByHalfATurn)
{
    Form->LCDAzi->SetValue(GetParam().Readout);
    Form->SpeedButtonLPClick();
    EXPECT_EQ(Form->LCDAzi->Value(), GetParam().Result);
    EXPECT_EQ(Form->EditAzimut->text().toStdString(), GetParam().Result);
    EXPECT_TRUE(Sent().empty()) << "with AUTO off LP only prepares the box";
}

INSTANTIATE_TEST_SUITE_P(Rows, TLongPathTest,
                         ::testing::Values(TLongPathRow{"Zero", "0", "180"}, TLongPathRow{"Below180", "179", "359"},
                                           TLongPathRow{"At180", "180", "0"}, TLongPathRow{"At359", "359", "179"},
                                           TLongPathRow{"At90", "90", "270"}, TLongPathRow{"At270", "270", "90"},
                                           TLongPathRow{"FeedValue400", "400", "220"}),
                         [](const ::testing::TestParamInfo<TLongPathRow>& info) { return std::string(info.param.Name); });

TEST_F(TPointingTest, LongPathOnAFractionDoesNothingSilently)
{
    Form->LCDAzi->SetValue("12.5");
    Form->SpeedButtonLPClick();
    EXPECT_EQ(Form->LCDAzi->Value(), "12.5");
    EXPECT_TRUE(Form->EditAzimut->text().isEmpty());
    EXPECT_TRUE(Boxes.Boxes.empty());
    EXPECT_EQ(Beeps.Count(), 0);
}

// The spin button's rows, each with the compass's equivalent: a key on the dial or a click at an azimuth.
struct TCompassAction {
    int Key = 0;         // a key pressed on the dial, or
    int ClickAt = -1;    // a click at this azimuth
};
struct TOutcome {
    const char* Readout;
    const char* Box;
    std::vector<int> Sent;
    int Beeps = 0;
    bool ConversionError = false;
};
struct TSpinRow {
    const char* Name;
    const char* Readout;  // at the start; the box is empty, as at start
    bool Auto;
    std::vector<bool> Spins;  // true: up, false: down
    bool ThenMan;
    TOutcome Outcome;
    std::vector<TCompassAction> Compass;
    // Where the compass does otherwise, and why; otherwise it ends as the spin button does.
    std::optional<TOutcome> CompassOutcome = std::nullopt;
};

class TSpinRowTest : public TPointingTest {
protected:
    void Start(const TSpinRow& row)
    {
        TearDown();
        SetUp();
        Beeps.Clear();
        Boxes.Boxes.clear();
        if (row.Auto)
            Form->SpeedButtonAutoClick();
        Form->LCDAzi->SetValue(row.Readout);
    }
    void Check(const TSpinRow& row, const TOutcome& outcome)
    {
        if (row.ThenMan)
            Form->ButtonTrackClick();
        EXPECT_EQ(Form->LCDAzi->Value(), outcome.Readout);
        EXPECT_EQ(Form->EditAzimut->text().toStdString(), outcome.Box);
        EXPECT_EQ(Sent(), outcome.Sent);
        EXPECT_EQ(Beeps.Count(), outcome.Beeps);
        if (!outcome.ConversionError) {
            EXPECT_TRUE(Boxes.Boxes.empty());
            return;
        }
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Error);
        EXPECT_EQ(Boxes.Boxes[0].Title, "Tolvane");
        EXPECT_EQ(Boxes.Boxes[0].Text, InvalidIntegerMessage(row.Readout));
    }
    void DoOnCompass(const TCompassAction& action)
    {
        TCompass* compass = Form->FormCompass->Compass;
        if (action.Key != 0) {
            QKeyEvent event(QEvent::KeyPress, action.Key, Qt::NoModifier);
            QCoreApplication::sendEvent(compass, &event);
            return;
        }
        const TDial dial = DialIn(compass->size());
        const QPointF point = PointAt(dial.Centre, dial.Radius * 0.8, action.ClickAt);
        QMouseEvent press(QEvent::MouseButtonPress, point, compass->mapToGlobal(point), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(compass, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, compass->mapToGlobal(point), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(compass, &release);
    }
};

TEST_F(TSpinRowTest, TheCompassWritesTheBoxAsTheSpinButtonDoes)
{
    const TSpinRow rows[] = {
        {"first up after start shows 1 and fills the box", "0", false, {true}, false, {"1", "1", {}},
         {{Qt::Key_Up}}},
        {"up then down", "0", false, {true, false}, false, {"0", "0", {}}, {{Qt::Key_Right}, {Qt::Key_Left}}},
        {"up stops at 359", "359", false, {true}, false, {"359", "", {}}, {{Qt::Key_Up}, {Qt::Key_PageUp}}},
        {"down stops at 0", "0", false, {false}, false, {"0", "", {}}, {{Qt::Key_Down}, {Qt::Key_PageDown}}},
        {"four up from 355 reach the end, as one page up does", "355", false, {true, true, true, true}, false,
         {"359", "359", {}}, {{Qt::Key_PageUp}}},
        {"AUTO sends each step", "0", true, {true, true}, false, {"2", "2", {1, 2}},
         {{Qt::Key_Up}, {Qt::Key_Up}}},
        {"AUTO sends a click", "234", true, {true}, false, {"235", "235", {235}}, {{0, 235}}},
        {"with AUTO off MAN sends it", "89", false, {true}, true, {"90", "90", {90}}, {{0, 90}}},
        {"a click on the dial goes down too", "91", false, {false}, false, {"90", "90", {}}, {{0, 90}}},
        // A feed's 400 is no azimuth on the dial: it has no mark to turn from, and MAN finds the box empty.
        {"past a feed value out of range, refused by MAN", "400", false, {true}, true, {"401", "401", {}, 1},
         {{Qt::Key_Up}}, TOutcome{"400", "", {}, 0}},
        // The dial shows 12.5 as 12 and turns from there; the spin button cannot read it.
        {"on a fraction", "12.5", false, {true}, false, {"12.5", "", {}, 0, true}, {{Qt::Key_Up}},
         TOutcome{"13", "13", {}}},
    };
    for (const TSpinRow& row : rows) {
        {
            SCOPED_TRACE(std::string(row.Name) + ", spin button");
            Start(row);
            for (bool up : row.Spins)
                up ? Form->SpinButtonAziUpClick() : Form->SpinButtonAziDownClick();
            Check(row, row.Outcome);
        }
        {
            SCOPED_TRACE(std::string(row.Name) + ", compass");
            Start(row);
            Form->MenuCompass->trigger();
            ASSERT_TRUE(Form->FormCompass);
            for (const TCompassAction& action : row.Compass)
                DoOnCompass(action);
            Check(row, row.CompassOutcome.value_or(row.Outcome));
        }
    }
}

TEST_F(TPointingTest, LedBlinksAndGoesOutOnTheFirstCommandsTimer)
{
    std::vector<bool> states;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (states.empty() || states.back() != LedLit())
            states.push_back(LedLit());
    });

    SetBox("10");
    Form->ButtonTrackClick();
    ASSERT_TRUE(LedLit());
    sampler.start(20);
    WaitFor(1000);
    SetBox("20");
    Form->ButtonTrackClick();
    // A second command does not restart the 3600 ms period of the first.
    EXPECT_LT(Form->TimerTrackOK->remainingTime(), 3300);
    ASSERT_TRUE(RunEventsUntil([&] { return !Form->TimerTrackOK->isActive(); }, 8000));
    WaitFor(700);  // no blink may follow the end
    sampler.stop();

    ASSERT_GE(states.size(), 4u) << "lit, then at least one off and on again, then off";
    EXPECT_TRUE(states.front());
    EXPECT_FALSE(states.back());
    EXPECT_FALSE(Form->TimerBlink->isActive());
    EXPECT_EQ(Sent(), (std::vector<int>{10, 20}));
}

TEST_F(TPointingTest, FailedPourSatWriteBeepsAndLeavesTheLedOff)
{
    TFakeServices fakes;
    TPlatformServices services = fakes.Take();
    fakes.PortIO->Port.LptAddresses = {{1, 0x378}};
    fakes.PortIO->Port.State = "write failed";
    Form = std::make_unique<TForm1>(std::move(services));
    Form->TimerTrackOKTimer();
    StationSettings.ANT = riPourSat;
    StationSettings.LPT_POURSAT = 0;
    SetBox("90");
    Form->ButtonTrackClick();
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_FALSE(LedLit());
    EXPECT_FALSE(Form->TimerBlink->isActive());
    EXPECT_FALSE(CommandNotSent);
}

TEST_F(TPointingTest, ASpinThatOpensABoxStepsNoMoreAfterItsOk)
{
    struct Row {
        const char* Name;
        const char* Readout;
        bool Auto;            // AUTO with ARSWIN gone warns at each step
        const char* LaterFeed;  // a feed value that arrives while the button is held
        const char* Shown;
    };
    const Row rows[] = {{"conversion error", "12.5", false, nullptr, "12.5"},
                        {"ARSWIN warning", "10", true, nullptr, "11"},
                        {"a repeat runs into a box", "10", false, "12.5", "12.5"}};
    Form->show();
    QWindow* window = Form->windowHandle();
    const QPoint upperHalf = Form->SpinButtonAzi->mapTo(Form.get(), QPoint(12, 4));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Form->LCDAzi->SetValue(row.Readout);
        Fakes.WindowMessages->FoundWindow = row.Auto ? 0 : 99;
        if (row.Auto != Form->AutoModeOn())
            Form->SpeedButtonAutoClick();
        // The first box really comes up. The user lets go of the button while it is up (the
        // box gets the release), then presses its OK. Any further box is a fault, answered at once.
        int boxes = 0;
        SetMessageBoxObserver([&](TMessageKind, const std::string&, const std::string&) {
            return ++boxes > 1;
        });
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                if (row.LaterFeed != nullptr && boxes == 0)
                    Form->LCDAzi->SetValue(row.LaterFeed);
                return;
            }
            QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, upperHalf);
            box->button(QMessageBox::Ok)->click();
        });
        user.start(300);  // repeats that come while a box is up find the button still held
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, upperHalf);
        WaitFor(1500);
        user.stop();
        SetMessageBoxObserver({});
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(Form->LCDAzi->Value(), row.Shown);
    }
    EXPECT_TRUE(Sent().empty());
}
