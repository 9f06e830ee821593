// The main window's azimuth feed with the real D-Bus link, the publisher, ARSWIN and a GS-232 pty.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <string>
#include <vector>

#include "app/PointingState.h"
#include "app/StationSettings.h"
#include "app/Unit1.h"
#include "drivers/DriverContext.h"
#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"
#include "support/ProcessState.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"
#include "support/SimulatedPortIO.h"
#include "widgets/Lcd99.h"

namespace {

class FeedHandlersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Bus.IsRunning());
        ASSERT_TRUE(Display.IsRunning());
        ResetProcessState();
        StationSettings.ANT = riARSIF;
        StationSettings.STEP_ARSIF = 0;  // repeats are then held back by the box alone
    }

    void TearDown() override
    {
        Form.reset();
        DriverContext = TDriverContext{};
        StationSettings = {};
        FeedLinkOpen = false;
    }

    void CreateForm()
    {
        TPlatformServices services;
        services.PortIO = std::make_unique<TSimulatedPortIO>();
        services.WindowMessages = std::make_unique<TXcbWindowMessages>();
        services.DdeClientConv = std::make_unique<TDBusDdeClientConv>();
        Form = std::make_unique<TForm1>(std::move(services));
        // Counts deliveries, so that a value that changes nothing can still be waited for.
        auto handler = Form->DdeClientConv().OnItemChange;
        Form->DdeClientConv().OnItemChange = [this, handler](const std::string& text) {
            ++Deliveries;
            handler(text);
        };
    }

    void StartPublisher(const QStringList& arguments = {})
    {
        Publisher = std::make_unique<TChildProcess>(ToolPath("feed-publisher", "teskarn-feed"), arguments);
        ASSERT_TRUE(Publisher->SkipPast("ready dde.Teskarn")) << Publisher->ErrorOutput();
    }

    void StartArswin()
    {
        Arswin = std::make_unique<TChildProcess>(ToolPath("arswin-standin", "arswin-standin"));
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
    TPortFolder Folder;
    QTemporaryDir EmptyFolder;
    TScopedEnvironment Path{"PATH", EmptyFolder.path().toStdString()};
    TBeepRecorder Beeps;
    TMessageBoxRecorder Boxes;
    std::unique_ptr<TChildProcess> Publisher;
    std::unique_ptr<TChildProcess> Arswin;
    std::unique_ptr<TForm1> Form;
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
    TScopedEnvironment path("PATH", ToolPath("feed-publisher", ""));
    CreateForm();
    Form->FormActivate();
    ASSERT_TRUE(Bus.WaitForOwner("dde.Teskarn", true));
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(Bus.OwnerPid("dde.Teskarn")));
    EXPECT_EQ(QFileInfo(program).fileName(), QStringLiteral("Teskarn"));
    // Linked at once, or by the retry a second later on a very busy machine.
    EXPECT_TRUE(RunEventsUntil([] { return FeedLinkOpen; }));
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
    ASSERT_TRUE(Folder.Link("COM1", controller.SlavePath()));
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
