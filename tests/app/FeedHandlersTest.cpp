// The main window's azimuth feed with the real D-Bus link, the publisher, ARSWIN and a GS-232 pty.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "platform/XcbWindowMessages.h"
#include "support/ProcessState.h"
#include "support/ChildProcess.h"
#include "support/MainWindowFixture.h"
#include "support/PrivateDesktop.h"
#include "support/PseudoTerminal.h"
#include "widgets/Lcd99.h"
#include "widgets/SpinButton.h"

namespace {

class FeedHandlersTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        ASSERT_TRUE(Bus.IsRunning());
        ASSERT_TRUE(Display.IsRunning());
        StationSettings.ANT = riARSIF;
        StationSettings.STEP_ARSIF = 0;  // repeats are then held back by the box alone
    }

    void TearDown() override
    {
        TMainWindowFixture::TearDown();
        ResetProcessState();
    }

    void CreateForm()
    {
        TMainWindowFixture::CreateForm(UseRealDesktopLinks);
        // Counts deliveries, so that a value that changes nothing can still be waited for.
        auto handler = Form->DdeClientConv().OnItemChange;
        Form->DdeClientConv().OnItemChange = [this, handler](const std::string& text) {
            ++Deliveries;
            handler(text);
        };
    }

    void StartPublisher(const QStringList& arguments = {})
    {
        Publisher = std::make_unique<TChildProcess>(BuiltProgram("teskarn-feed"), arguments);
        ASSERT_TRUE(Publisher->SkipPast("ready dde.Teskarn")) << Publisher->ErrorOutput();
    }

    void StartArswin()
    {
        Arswin = std::make_unique<TChildProcess>(BuiltProgram("arswin-standin"));
        TXcbWindowMessages messages;
        ASSERT_TRUE(RunEventsUntil([&] { return messages.FindWindowA("ThunderForm", "ARSWIN") != 0; }));
    }

    // Publishes one line and waits until the window has received it.
    void Publish(const std::string& line)
    {
        const int before = Deliveries;
        ASSERT_TRUE(Publisher->WriteLine(line));
        ASSERT_TRUE(RunEventsUntil([&] { return Deliveries > before; })) << line;
    }

    void LinkAtActivation()
    {
        Form->FormActivate();
        ASSERT_TRUE(FeedLinkOpen);
    }

    std::string Box() const { return Form->EditAzimut->text().toStdString(); }

    // What the readout stores for a text it is given.
    static std::string ReadoutOf(const std::string& text)
    {
        TLCD99 readout;
        readout.SetValue(text);
        return readout.Value();
    }

    TPrivateSessionBus Bus;
    TPrivateXServer Display;
    QTemporaryDir EmptyFolder;
    TScopedEnvironment Path{"PATH", EmptyFolder.path().toStdString()};
    std::unique_ptr<TChildProcess> Publisher;
    std::unique_ptr<TChildProcess> Arswin;
    int Deliveries = 0;
};

TEST_F(FeedHandlersTest, PublishedTextsAreTrimmedIntoTheReadoutAndTheBox)
{
    struct Row {
        const char* Name;
        const char* Published;  // a line for the publisher
        const char* Shown;      // nullptr: the readout and the box keep what they had
    };
    // Past a text box's usual limit; cut there, it would read as 100.
    const std::string longPublished = "--raw 100" + std::string(40000, ' ') + "x\\r\\n";
    const std::string longShown = "100" + std::string(39999, ' ') + "x ";
    const Row rows[] = {
        {"digits with CR LF", "235", "235"},
        {"no line end loses the last digit", "--raw 235", "23"},
        {"decimal with CR LF", "12.5", "12.5"},
        {"only the first space goes", "--raw  7 \\r\\n", "7  "},
        {"a single character trims to nothing", "--raw 5", nullptr},
        {"a single space trims to nothing", "--raw  ", nullptr},
        {"a text with a comma reaches the box", "--raw 1,5\\r\\n", "1,5"},
        {"a text longer than 32767 characters is kept whole", longPublished.c_str(), longShown.c_str()},
    };
    StartPublisher({"1"});
    CreateForm();
    LinkAtActivation();
    for (const Row& row : rows) {
        Form->EditAzimut->setText(QStringLiteral("before"));
        Form->LCDAzi->SetValue("99");
        Publish(row.Published);
        EXPECT_EQ(Box(), row.Shown ? row.Shown : "before") << row.Name;
        EXPECT_EQ(Form->LCDAzi->Value(), ReadoutOf(row.Shown ? row.Shown : "99")) << row.Name;
    }
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(FeedHandlersTest, InAutoEachNewValueIsSentAndARepeatIsNot)
{
    StartArswin();
    StartPublisher();
    CreateForm();
    Form->SpeedButtonAuto->setChecked(true);
    LinkAtActivation();
    Publish("12.5");
    Publish("100");
    Publish("100");
    Publish("101");
    Form->stop_all();  // its -1 closes the record
    std::vector<std::string> posted;
    while (auto line = Arswin->NextLine()) {
        posted.push_back(*line);
        if (*line == "AZIMUTH wParam=-1 lParam=0")
            break;
    }
    EXPECT_EQ(posted, (std::vector<std::string>{"AZIMUTH wParam=12 lParam=0", "AZIMUTH wParam=100 lParam=0",
                                                 "AZIMUTH wParam=101 lParam=0", "AZIMUTH wParam=-1 lParam=0"}));
    EXPECT_EQ(Form->LabelEtatInterface->text(), QStringLiteral("101"));
}

TEST_F(FeedHandlersTest, WithAutoOffValuesKeepArrivingAndManSendsTheLatest)
{
    StartArswin();
    StartPublisher();
    CreateForm();
    LinkAtActivation();
    Publish("50");
    Publish("60");
    EXPECT_EQ(Box(), "60");
    Form->ButtonTrackClick();
    EXPECT_EQ(Arswin->NextLine(), "AZIMUTH wParam=60 lParam=0");
}

TEST_F(FeedHandlersTest, PublisherQuittingClosesTheLinkAndTheRetriesFindItAgain)
{
    StartPublisher({"30"});
    CreateForm();
    LinkAtActivation();
    EXPECT_EQ(Box(), "30");
    EXPECT_FALSE(Form->TimerDDE->isActive());

    Publisher->Terminate();
    ASSERT_TRUE(RunEventsUntil([] { return !FeedLinkOpen; }));
    EXPECT_TRUE(Form->TimerDDE->isActive());
    EXPECT_EQ(Form->TimerDDE->interval(), 1000);

    StartPublisher({"31"});
    ASSERT_TRUE(RunEventsUntil([&] { return FeedLinkOpen && Box() == "31"; }));
    EXPECT_FALSE(Form->TimerDDE->isActive());
}

TEST_F(FeedHandlersTest, WithoutThePublisherTheProgramNamedTeskarnIsStartedFromPath)
{
    TScopedEnvironment path("PATH", BuiltProgramsFolder());
    CreateForm();
    Form->FormActivate();
    ASSERT_TRUE(Bus.WaitForOwner("dde.Teskarn", true));
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(Bus.OwnerPid("dde.Teskarn")));
    EXPECT_EQ(QFileInfo(program).fileName(), QStringLiteral("Teskarn"));
    // Linked at once, or by the retry a second later on a very busy machine.
    EXPECT_TRUE(RunEventsUntil([] { return FeedLinkOpen; }));
}

// A Teskarn on the path that never claims the feed's name: the window stays responsive, and
// no second instance starts while the first still runs.
TEST_F(FeedHandlersTest, AStartedProgramThatNeverClaimsTheNameNeitherFreezesNorPilesUp)
{
    QTemporaryDir standInFolder;
    QFile standIn(standInFolder.filePath("Teskarn"));
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    // PATH holds only this folder: the script names everything else in full.
    standIn.write(("#!/bin/sh\necho $$ >> '" + standInFolder.filePath("started") + "'\nexec /bin/sleep 60\n").toUtf8());
    standIn.close();
    standIn.setPermissions(standIn.permissions() | QFile::ExeOwner);
    TScopedEnvironment path("PATH", standInFolder.path().toStdString());
    const auto startedPids = [&] {
        QFile started(standInFolder.filePath("started"));
        std::vector<pid_t> pids;
        if (started.open(QIODevice::ReadOnly))
            for (const QByteArray& line : started.readAll().split('\n'))
                if (!line.isEmpty())
                    pids.push_back(static_cast<pid_t>(line.toInt()));
        return pids;
    };
    const auto aliveCount = [&] {
        const auto pids = startedPids();
        return std::count_if(pids.begin(), pids.end(), [](pid_t pid) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
        });
    };

    CreateForm();
    Form->FormActivate();
    qint64 slowestClick = 0;
    long mostAlive = 0;
    // Clicks over several retry periods, queued as the window system queues them.
    for (int click = 0; click < 6; ++click) {
        const std::string before = Form->LCDAzi->Value();
        const QPointF upArrow(12, 4);
        QElapsedTimer shown;
        shown.start();
        QCoreApplication::postEvent(Form->SpinButtonAzi, new QMouseEvent(QEvent::MouseButtonPress, upArrow, upArrow,
                                                                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(Form->SpinButtonAzi, new QMouseEvent(QEvent::MouseButtonRelease, upArrow, upArrow,
                                                                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        EXPECT_TRUE(RunEventsUntil([&] { return Form->LCDAzi->Value() != before; }, 5000));
        slowestClick = std::max(slowestClick, shown.elapsed());
        RunEventsUntil([&] {
            mostAlive = std::max(mostAlive, static_cast<long>(aliveCount()));
            return false;
        }, 500);
    }
    Form.reset();
    for (const pid_t pid : startedPids())
        ::kill(pid, SIGKILL);
    EXPECT_LT(slowestClick, 200);
    EXPECT_EQ(mostAlive, 1);
}

TEST_F(FeedHandlersTest, ALinkClosingWhileTheRetryTimerRunsKeepsItsPeriod)
{
    StartPublisher({"50"});
    CreateForm();
    LinkAtActivation();
    // As after the settings window closed: the timer runs while the link is open.
    Form->TimerDDE->start();
    QThread::msleep(300);
    Form->DdeClientConv().CloseLink();
    EXPECT_FALSE(FeedLinkOpen);
    EXPECT_TRUE(Form->TimerDDE->isActive());
    // 1000 ms less the 300 gone, give or take the 5 % of a coarse timer; a restart would be 950 or more.
    EXPECT_LE(Form->TimerDDE->remainingTime(), 850);
}

TEST_F(FeedHandlersTest, TimerReenabledWhileLinkedRelinksOnceAndDeliversTheValueAgain)
{
    StartPublisher({"40"});
    CreateForm();
    LinkAtActivation();
    const int afterLink = Deliveries;
    // What the settings window does when it closes.
    Form->TimerDDE->start();
    ASSERT_TRUE(RunEventsUntil([&] { return Deliveries >= afterLink + 2; }));
    EXPECT_EQ(Deliveries, afterLink + 2);
    EXPECT_TRUE(FeedLinkOpen);
    EXPECT_FALSE(Form->TimerDDE->isActive());
    EXPECT_EQ(Box(), "40");
}

TEST_F(FeedHandlersTest, ClosingTheWindowEndsTheLinkAndTheRetries)
{
    StartPublisher({"20"});
    CreateForm();
    LinkAtActivation();
    Form->FormClose();
    EXPECT_FALSE(FeedLinkOpen);
    EXPECT_FALSE(Form->TimerDDE->isActive());
    EXPECT_FALSE(Form->DdeClientConv().IsOpen());
}

TEST_F(FeedHandlersTest, EndToEndAPublishedAzimuthReachesTheGs232Line)
{
    TPseudoTerminal controller;
    ASSERT_TRUE(controller.IsOpen());
    ASSERT_TRUE(Folder->Link("COM1", controller.SlavePath()));
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    StartPublisher();
    CreateForm();
    Form->SpeedButtonAuto->setChecked(true);
    LinkAtActivation();
    Publish("235");
    EXPECT_EQ(controller.ReadBytes(5, 5000), "W235\r");
}

}  // namespace
