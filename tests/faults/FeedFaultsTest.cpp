// The azimuth feed when its publisher dies, hangs, or sends a huge or binary value.
#include <QLineEdit>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "support/MainWindowFixture.h"
#include "faults/FaultSupport.h"
#include "platform/DBusDdeClientConv.h"
#include "support/PrivateDesktop.h"
#include "widgets/Lcd99.h"

namespace {

class FeedFaultsTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        ASSERT_TRUE(Bus.IsRunning());
        // A GS-232 on a pty, so that a value MAN wrongly accepted would show on the line.
        ASSERT_TRUE(Folder->Link("COM1", Line.SlavePath()));
        StationSettings.ANT = riGS232;
        StationSettings.PORT_GS232 = 0;
        StationSettings.STEP_GS232 = 0;
    }

    void TearDown() override
    {
        Form.reset();
        Publisher.reset();
        TMainWindowFixture::TearDown();
    }

    // The window linked to a publisher that answered `first`, in AUTO mode.
    void StartLinked(const QString& first)
    {
        Publisher = std::make_unique<TMisbehavingPublisher>(Bus.BusAddress());
        ASSERT_TRUE(Publisher->IsOnBus());
        Publisher->SetValue(first);
        const std::string address = Bus.BusAddress();
        CreateForm([&](TPlatformServices& services) {
            services.DdeClientConv = std::make_unique<TDBusDdeClientConv>(address);
        });
        Form->SpeedButtonAuto->setChecked(true);
        Form->FeedLinkAttempt();
        ASSERT_TRUE(FeedLinkOpen);
    }

    TPrivateSessionBus Bus;
    TPseudoTerminal Line;
    std::unique_ptr<TMisbehavingPublisher> Publisher;
};

TEST_F(FeedFaultsTest, PublisherDyingInARequestClosesTheLinkAndTheRetriesFindItsSuccessor)
{
    StartLinked("120\r\n");
    EXPECT_EQ(Form->LCDAzi->Value(), "120");
    EXPECT_EQ(Line.ReadBytes(5, 2000), "W120\r");

    Publisher->SetMood(TPublisherMood::Crash);
    Publisher->SetValue("130\r\n");
    Publisher->Publish();
    // The dead publisher's request fails at once; the conversation closes and retries begin.
    EXPECT_TRUE(RunEventsUntil([&] { return !FeedLinkOpen; }, 5000));
    EXPECT_TRUE(Form->TimerDDE->isActive());
    EXPECT_EQ(Form->LCDAzi->Value(), "120");
    EXPECT_EQ(Line.ReadUntilQuiet(300), "");

    Publisher.reset();
    Publisher = std::make_unique<TMisbehavingPublisher>(Bus.BusAddress());
    Publisher->SetValue("140\r\n");
    EXPECT_TRUE(RunEventsUntil([&] { return FeedLinkOpen && Form->LCDAzi->Value() == "140"; }, 10000));
    EXPECT_EQ(Line.ReadBytes(5, 2000), "W140\r");
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(FeedFaultsTest, HungPublisherCostsOneSecondPerRequestAndTheWindowKeepsRunning)
{
    StartLinked("120\r\n");
    Publisher->SetMood(TPublisherMood::Hang);

    QElapsedTimer elapsed;
    elapsed.start();
    Form->DdeClientConv().SetItemName("azimuth");  // one request, unanswered
    const qint64 requestMs = elapsed.elapsed();
    EXPECT_GE(requestMs, 900);
    EXPECT_LT(requestMs, 5000);
    EXPECT_TRUE(FeedLinkOpen);
    EXPECT_EQ(Form->LCDAzi->Value(), "120");

    // A hung publisher that still announces a change: the window keeps handling its timers.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    Publisher->Publish();
    WaitFor(3000);
    EXPECT_GE(Publisher->Requests(), 2);
    EXPECT_GT(ticks, 30) << "the event loop stalled";
    EXPECT_TRUE(FeedLinkOpen);

    Publisher->SetMood(TPublisherMood::Answer);
    Publisher->SetValue("150\r\n");
    Publisher->Publish();
    EXPECT_TRUE(RunEventsUntil([&] { return Form->LCDAzi->Value() == "150"; }, 5000));
    EXPECT_EQ(Line.ReadUntilQuiet(500), "W120\rW150\r");
}

struct TBadValueRow {
    const char* Name;
    QString Value;
    std::string Readout;  // what the readout stores
};

TEST_F(FeedFaultsTest, HugeOrBinaryValuesAreShownAsTheReadoutCanAndRefusedByMan)
{
    const QString megabyte = QString(1024 * 1024, QLatin1Char('7')) + QStringLiteral("\r\n");
    const TBadValueRow rows[] = {
        {"1 MiB of digits", megabyte, std::string(1024 * 1024, '7')},
        {"binary junk", QString::fromLatin1("\x01\xfe\xff\x80junk\x7f\r\n"), ""},
        {"letters", QStringLiteral("az:\r\n"), "AZ:"},
    };
    StartLinked("100\r\n");
    ASSERT_EQ(Line.ReadBytes(5, 2000), "W100\r");
    for (const TBadValueRow& row : rows) {
        Beeps.Clear();
        Publisher->SetValue(row.Value);
        QElapsedTimer elapsed;
        elapsed.start();
        Publisher->Publish();
        EXPECT_TRUE(RunEventsUntil([&] { return Beeps.Count() > 0; }, 10000)) << row.Name;
        EXPECT_LT(elapsed.elapsed(), 10000) << row.Name;
        EXPECT_EQ(Form->LCDAzi->Value(), row.Readout) << row.Name;
        EXPECT_EQ(Form->EditAzimut->text(), QString()) << row.Name << ": MAN empties the box";
        EXPECT_EQ(Line.ReadUntilQuiet(300), "") << row.Name;
    }
    // The feed still works after them.
    Publisher->SetValue("200\r\n");
    Publisher->Publish();
    EXPECT_TRUE(RunEventsUntil([&] { return Form->LCDAzi->Value() == "200"; }, 5000));
    EXPECT_EQ(Line.ReadBytes(5, 2000), "W200\r");
}

}  // namespace
