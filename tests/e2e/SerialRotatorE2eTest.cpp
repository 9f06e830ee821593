// The real program turning a simulated GS-232 or EasyComm rotator, driven by clicks, keys and the feed.
#include <signal.h>

#include <sstream>

#include "e2e/E2eFixture.h"

namespace {
const std::vector<std::string> Gs232OnCom1 = {
    "[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600",
    "STOP_GS232=N", "STEP_GS232=1",
};
}  // namespace

TEST_F(TolvaneE2e, Gs232SpinLongPathManStopAndQuit)
{
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    Desktop->WriteIni(Gs232OnCom1);
    ASSERT_TRUE(Desktop->StartTolvane());
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - GS232 / COM1 / 9600"));
    EXPECT_EQ(Desktop->Look().Readout, "0");

    for (int press = 0; press < 3; ++press)
        Desktop->Click(MainWindowPoint::SpinUp);
    EXPECT_TRUE(Desktop->WaitForReadout("3"));
    Desktop->Click(MainWindowPoint::SpinDown);
    EXPECT_TRUE(Desktop->WaitForReadout("2"));
    Desktop->Click(MainWindowPoint::LongPath);
    EXPECT_TRUE(Desktop->WaitForReadout("182"));
    // With AUTO off the spin button and LP only prepare the azimuth.
    EXPECT_TRUE(ReceivedCommands(rotator).empty());
    EXPECT_FALSE(Desktop->Look().LedLit);

    Desktop->Click(MainWindowPoint::Man);
    EXPECT_TRUE(rotator.WaitForOutput(Received("W182\r"), CommandWaitMs));
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->Look().LedLit; }, 2000)) << "the LED confirms the command";
    EXPECT_TRUE(rotator.WaitForOutput("HEADING", CommandWaitMs));

    Desktop->Click(MainWindowPoint::Stop);
    EXPECT_TRUE(rotator.WaitForOutput(Received("S\r"), CommandWaitMs));

    ASSERT_TRUE(Desktop->Quit());
    const std::string ini = Desktop->ReadIni();
    EXPECT_NE(ini.find("ANT=GS232\r\n"), std::string::npos) << Visible(ini);
    EXPECT_NE(ini.find("PORT_GS232=1\r\n"), std::string::npos) << Visible(ini);
    EXPECT_NE(ini.find("BAUD_GS232=9600\r\n"), std::string::npos) << Visible(ini);
    // STOP closed the port, so the exit stop found nothing to write to.
    const std::vector<std::string> commands = ReceivedCommands(rotator);
    EXPECT_EQ(commands, (std::vector<std::string>{Received("W182\r"), Received("S\r")}));
}

TEST_F(TolvaneE2e, EasyCommFollowsTheFeedInAuto)
{
    TChildProcess& rotator = Desktop->StartRotator("easycomm", "COM2");
    TChildProcess& feed = Desktop->StartFeed();
    Desktop->WriteIni({"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=EASYCOMM", "[EASYCOMM]", "PORT_EASYCOMM=2",
                       "BAUD_EASYCOMM=4800", "STOP_EASYCOMM=S", "STEP_EASYCOMM=1"});
    ASSERT_TRUE(Desktop->StartTolvane());
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - EasyComm / COM2 / 4800"));

    // AUTO off: the feed only shows its azimuth.
    feed.Write("123\n");
    EXPECT_TRUE(Desktop->WaitForReadout("123"));
    EXPECT_TRUE(ReceivedCommands(rotator).empty());

    Desktop->Click(MainWindowPoint::Auto);
    feed.Write("235\n");
    EXPECT_TRUE(Desktop->WaitForReadout("235"));
    // South end stop: 235 - 180.
    EXPECT_TRUE(rotator.WaitForOutput(Received("AZ055.0\r"), CommandWaitMs));
    feed.Write("10\n");
    EXPECT_TRUE(Desktop->WaitForReadout("10"));
    EXPECT_TRUE(rotator.WaitForOutput(Received("AZ190.0\r"), CommandWaitMs));

    // STOP releases AUTO: the next feed value is shown, not sent.
    Desktop->Click(MainWindowPoint::Stop);
    EXPECT_TRUE(rotator.WaitForOutput(Received("SA\r"), CommandWaitMs));
    feed.Write("300\n");
    EXPECT_TRUE(Desktop->WaitForReadout("300"));
    // MAN sends the latest value.
    Desktop->Click(MainWindowPoint::Man);
    EXPECT_TRUE(rotator.WaitForOutput(Received("AZ120.0\r"), CommandWaitMs));

    ASSERT_TRUE(Desktop->Quit());
    // The shut-down's stop of all finds the port that MAN opened; the exit text then finds it closed.
    EXPECT_EQ(ReceivedCommands(rotator),
              (std::vector<std::string>{Received("AZ055.0\r"), Received("AZ190.0\r"), Received("SA\r"),
                                        Received("AZ120.0\r"), Received("SA\r")}));
    EXPECT_NE(Desktop->ReadIni().find("STOP_EASYCOMM=S\r\n"), std::string::npos);
}

TEST_F(TolvaneE2e, ParkingAtExitTurnsTheRotatorAndSendsNoStop)
{
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    std::vector<std::string> ini = Gs232OnCom1;
    ini.insert(ini.begin() + 3, "PARKING=GS232");
    ini.insert(ini.begin() + 4, "AZIMUT_PARKING=180");
    Desktop->WriteIni(ini);
    ASSERT_TRUE(Desktop->StartTolvane());
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - GS232 / COM1 / 9600 / Parking=180\u00B0"));

    ASSERT_TRUE(Desktop->Quit());
    EXPECT_TRUE(rotator.WaitForOutput(Received("W180\r"), CommandWaitMs));
    EXPECT_EQ(ReceivedCommands(rotator), (std::vector<std::string>{Received("W180\r")}));
    const std::string saved = Desktop->ReadIni();
    EXPECT_NE(saved.find("PARKING=GS232\r\n"), std::string::npos) << Visible(saved);
}

TEST_F(TolvaneE2e, EasyCommParkedThroughAnotherInterfaceSendsTheExitStopText)
{
    TChildProcess& rotator = Desktop->StartRotator("easycomm", "COM1");
    Desktop->WriteIni({"[TOLVANE]", "ANT=EASYCOMM", "[EASYCOMM]", "PORT_EASYCOMM=1", "BAUD_EASYCOMM=9600",
                       "AZIMUT_PARKING=90", "PARKING=GS232"});
    ASSERT_TRUE(Desktop->StartTolvane());
    // Parking belongs to another interface: no suffix.
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - EasyComm / COM1 / 9600"));

    ASSERT_TRUE(Desktop->Quit());
    // The parking command goes through the chosen interface and reopens its port for the exit text.
    EXPECT_EQ(ReceivedCommands(rotator),
              (std::vector<std::string>{Received("AZ090.0\r"), Received("SA SE\r")}));
}

TEST_F(TolvaneE2e, StartsTeskarnByNameAndRelinksToTheNextPublisher)
{
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    Desktop->WriteIni(Gs232OnCom1);
    // Nobody publishes the feed: the program starts Teskarn from PATH, here the feed stand-in.
    const std::string feedProgram = BuiltProgram("Teskarn");
    Desktop->PrependToPath(feedProgram.substr(0, feedProgram.rfind('/')));
    ASSERT_TRUE(Desktop->StartTolvane());
    ASSERT_TRUE(Desktop->WaitForFeedOwner(true)) << "Teskarn started by its name";
    const qint64 started = Desktop->FeedOwnerPid();
    EXPECT_NE(started, Desktop->Tolvane()->Pid());

    // That Teskarn quits; another publisher takes its place and the retries link to it.
    ::kill(static_cast<pid_t>(started), SIGTERM);
    ASSERT_TRUE(Desktop->WaitForFeedOwner(false));
    TChildProcess& feed = Desktop->StartFeed();
    Desktop->Click(MainWindowPoint::Auto);
    // Values published before the link is back are missed; the operator sees the first that arrives.
    EXPECT_TRUE(RunEventsUntil([&] {
        feed.Write("200\n");
        return Desktop->WaitForReadout("200", 500);
    }, 10000));
    EXPECT_TRUE(rotator.WaitForOutput(Received("W200\r"), CommandWaitMs));
    ASSERT_TRUE(Desktop->Quit());
}
