// Reading the heading back: the position replies of both controllers, and the poll on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "drivers/HeadingPoll.h"
#include "drivers/SerialRotator.h"
#include "serial/ComDrv32.h"
#include "support/ChildProcess.h"
#include "support/ProcessState.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

namespace {

TEST(PositionReplyTest, ControllerRepliesAndWhatTheyMean)
{
    struct Row {
        const char* Name;
        std::optional<double> (*Read)(std::string_view);
        const char* Line;
        std::optional<double> Azimuth;
    };
    const Row rows[] = {
        {"GS-232A azimuth", &ReadGs232Position, "+0090", 90},
        {"GS-232A with elevation", &ReadGs232Position, "+0359+0045", 359},
        {"GS-232B azimuth", &ReadGs232Position, "AZ=123", 123},
        {"GS-232B with elevation", &ReadGs232Position, "AZ=123  EL=045", 123},
        {"overlap past north", &ReadGs232Position, "+0400", 40},
        {"beyond any rotator", &ReadGs232Position, "+0460", std::nullopt},
        {"error reply", &ReadGs232Position, "?>", std::nullopt},
        {"sign alone", &ReadGs232Position, "+", std::nullopt},
        {"letters for digits", &ReadGs232Position, "+0abc", std::nullopt},
        {"too many digits", &ReadGs232Position, "AZ=1234567", std::nullopt},
        {"elevation cut short", &ReadGs232Position, "AZ=090  EL=", std::nullopt},
        {"a command, not a reply", &ReadGs232Position, "W090", std::nullopt},
        {"EasyComm whole", &ReadEasyCommPosition, "AZ90.0", 90},
        {"EasyComm tenths", &ReadEasyCommPosition, "AZ123.4", 123.4},
        {"EasyComm with elevation", &ReadEasyCommPosition, "AZ359.9 EL0.0", 359.9},
        {"EasyComm negative elevation", &ReadEasyCommPosition, "AZ010.0 EL-1.5", 10},
        {"EasyComm error", &ReadEasyCommPosition, "?ERR", std::nullopt},
        {"EasyComm query echoed", &ReadEasyCommPosition, "AZ", std::nullopt},
        {"EasyComm glued elevation", &ReadEasyCommPosition, "AZ12.3EL4", std::nullopt},
        {"EasyComm negative azimuth", &ReadEasyCommPosition, "AZ-5.0", std::nullopt},
        {"EasyComm point without digits", &ReadEasyCommPosition, "AZ12.", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<double> azimuth = row.Read(row.Line);
        ASSERT_EQ(azimuth.has_value(), row.Azimuth.has_value()) << row.Name;
        if (azimuth) {
            EXPECT_NEAR(*azimuth, *row.Azimuth, 1e-9) << row.Name;
        }
    }
}

class HeadingPollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Controller.IsOpen());
        ASSERT_TRUE(Folder.Link("COM1", Controller.SlavePath()));
        ResetProcessState();
        StationSettings.ANT = riGS232;
        StationSettings.PORT_GS232 = 0;
        DriverContext.CommPortDriverGS = &Port;
        DriverContext.CommPortDriverEasy = &OtherPort;
        QObject::connect(&Poll, &THeadingPoll::HeadingRead, [this](double azimuth, std::uint64_t) {
            ++Readings;
            Last = azimuth;
        });
        QObject::connect(&Poll, &THeadingPoll::HeadingLost, [this]() { ++Losses; });
    }

    void TearDown() override
    {
        Poll.SetRunning(false);
        ResetProcessState();
    }

    // The next query the controller receives, waiting no longer than a reply may take.
    std::string NextQuery(int timeoutMs = 1500)
    {
        std::string bytes;
        RunEventsUntil([&] {
            bytes += Controller.ReadBytes(16, 1);
            return bytes.find('\r') != std::string::npos;
        }, timeoutMs);
        return bytes;
    }

    // What the controller receives while the program runs for `milliseconds`.
    std::string BytesDuring(int milliseconds)
    {
        std::string bytes;
        RunEventsUntil([&] {
            bytes += Controller.ReadBytes(64, 1);
            return false;
        }, milliseconds);
        return bytes;
    }

    TPortFolder Folder;
    TPseudoTerminal Controller;
    TCommPortDriver Port;
    TCommPortDriver OtherPort;
    THeadingPoll Poll;
    TBeepRecorder Beeps;
    int Readings = 0;
    int Losses = 0;
    double Last = -1;
};

TEST_F(HeadingPollTest, OpensThePortAsksAndReadsBothReplyFormsWithTheEndStopUndone)
{
    Poll.SetRunning(true);
    EXPECT_TRUE(Port.IsOpen()) << "the poll opens the port as a command would";
    EXPECT_EQ(NextQuery(), "C\r");
    // CR LF, and a reply split across reads.
    Controller.Write("+01");
    Controller.Write("23\r\n");
    ASSERT_TRUE(RunEventsUntil([&] { return Readings == 1; }, 2000));
    EXPECT_EQ(Last, 123);

    StationSettings.STOP_GS232 = 1;
    EXPECT_EQ(NextQuery(), "C\r");
    Controller.Write("AZ=270  EL=000\r");
    ASSERT_TRUE(RunEventsUntil([&] { return Readings == 2; }, 2000));
    EXPECT_EQ(Last, 90) << "a south stop's controller counts from south";
    EXPECT_EQ(Poll.Heading(), 90);
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(HeadingPollTest, OneQueryAtATimeAndNothingAfterOff)
{
    Poll.SetRunning(true);
    EXPECT_EQ(NextQuery(), "C\r");
    // Only the poll had opened the port: off gives it back and the line goes quiet.
    Poll.SetRunning(false);
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(BytesDuring(1200), "");

    Poll.SetRunning(true);
    EXPECT_EQ(NextQuery(), "C\r");
    // Unanswered, the query stays the only one until its second is up, command or not.
    Poll.NoteCommandSent();
    EXPECT_EQ(BytesDuring(700), "");
    EXPECT_EQ(NextQuery(), "C\r");
    EXPECT_FALSE(Poll.Heading().has_value());
    // A command has used the port since: it stays open for the commands to come.
    Poll.SetRunning(false);
    EXPECT_TRUE(Port.IsOpen());
}

TEST_F(HeadingPollTest, EasyCommAskedOnItsOwnPortAndOthersNeverPolled)
{
    StationSettings.ANT = riEasyComm;
    StationSettings.PORT_EASYCOMM = 0;
    Poll.SetRunning(true);
    EXPECT_TRUE(OtherPort.IsOpen());
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(NextQuery(), "AZ\r");
    Controller.Write("AZ45.5 EL0.0\n");
    ASSERT_TRUE(RunEventsUntil([&] { return Readings == 1; }, 2000));
    EXPECT_EQ(Last, 45.5);
    Poll.SetRunning(false);

    StationSettings.ANT = riARSIF;
    Poll.SetRunning(true);
    EXPECT_FALSE(OtherPort.IsOpen());
    EXPECT_EQ(BytesDuring(600), "");
}

TEST_F(HeadingPollTest, AFlickeringLastDigitIsRestAndRealMovementIsWatchedClosely)
{
    struct Row {
        const char* Name;
        int Interface;
        const char* Replies[2];  // answered in turn
        bool Moving;
    };
    const Row rows[] = {
        {"EasyComm tenths flicker", riEasyComm, {"AZ123.4", "AZ123.5"}, false},
        {"GS-232 degrees flicker", riGS232, {"+0123", "+0124"}, false},
        {"EasyComm turning", riEasyComm, {"AZ123.4", "AZ124.4"}, true},
        {"GS-232 turning", riGS232, {"+0123", "+0126"}, true},
        {"EasyComm flicker across north", riEasyComm, {"AZ359.9", "AZ0.0"}, false},
    };
    for (const Row& row : rows) {
        StationSettings.ANT = row.Interface;
        StationSettings.PORT_EASYCOMM = 0;
        Poll.SetRunning(true);
        int queries = 0;
        RunEventsUntil([&] {
            const std::string query = Controller.ReadBytes(16, 1);
            if (query.find('\r') != std::string::npos)
                Controller.Write(std::string(row.Replies[queries++ % 2]) + "\r");
            return false;
        }, 2600);
        Poll.SetRunning(false);
        // At rest one query a second, about three in the window; turning, four a second.
        if (row.Moving)
            EXPECT_GE(queries, 6) << row.Name;
        else
            EXPECT_LE(queries, 4) << row.Name;
        RunEventsUntil([] { return false; }, 300);
        Controller.ReadUntilQuiet(50);
    }
}

TEST_F(HeadingPollTest, AFloodOfRepliesGoesOutTenTimesASecondWithTheLatestLast)
{
    Poll.SetRunning(true);
    EXPECT_EQ(NextQuery(), "C\r");
    std::string flood;
    for (int azimuth = 0; azimuth < 360; ++azimuth)
        flood += "+0" + ThreeDigitAzimuth(azimuth) + "\r\n";
    std::size_t sent = 0;
    RunEventsUntil([&] {
        sent += Controller.WriteSome(flood.substr(sent));
        return sent == flood.size();
    }, 3000);
    ASSERT_EQ(sent, flood.size());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunEventsUntil([&] { return Last == 359; }, 3000));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // The pty hands the bytes over in a few reads; each may bring many readings, of which one goes out.
    EXPECT_LE(Readings, 3 + static_cast<int>(elapsed.count() / THeadingPoll::ShortestReadingIntervalMs));
    EXPECT_EQ(Poll.Heading(), 359);
    const int afterFlood = Readings;
    RunEventsUntil([] { return false; }, 300);
    EXPECT_EQ(Readings, afterFlood) << "nothing is left to go out after the latest";
}

TEST_F(HeadingPollTest, APortIsGivenBackWhenItsLinkGoesOrMovesAndNeverOpenedWithoutOne)
{
    TPseudoTerminal replacement;
    ASSERT_TRUE(replacement.IsOpen());
    Poll.SetRunning(true);
    EXPECT_EQ(NextQuery(), "C\r");
    Controller.Write("+0100\r");
    ASSERT_TRUE(RunEventsUntil([&] { return Readings == 1; }, 2000));

    // The simulator ended and took its link with it: the port goes, and nothing else is opened.
    std::filesystem::remove("COM1");
    ASSERT_TRUE(RunEventsUntil([&] { return !Port.IsOpen(); }, 2500));
    EXPECT_FALSE(Poll.Heading().has_value());
    RunEventsUntil([] { return false; }, 1200);
    EXPECT_FALSE(Port.IsOpen()) << "the built-in port COM1 falls back to is nobody's choice";

    // The link comes back, to another device: the poll follows it.
    ASSERT_TRUE(Folder.Link("COM1", replacement.SlavePath()));
    std::string bytes;
    ASSERT_TRUE(RunEventsUntil([&] {
        bytes += replacement.ReadBytes(16, 1);
        return bytes.find('\r') != std::string::npos;
    }, 2500));
    EXPECT_EQ(bytes, "C\r");

    // Moved again while open: the port held on the old device is given back and reopened on the new.
    ASSERT_TRUE(Folder.Link("COM1", Controller.SlavePath()));
    Controller.ReadUntilQuiet(50);
    EXPECT_EQ(NextQuery(2500), "C\r");
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST(FolderNamesDeviceTest, OnlyAnEntryThatLeadsSomewhereNamesADevice)
{
    TPortFolder folder;
    TPseudoTerminal line;
    ASSERT_TRUE(folder.Link("COM2", line.SlavePath()));
    std::filesystem::remove("COM3");
    struct Row {
        const char* Name;
        int Port;
        bool Named;
    } rows[] = {
        {"link to a device", 1, true},
        {"dangling link", 0, false},
        {"no entry: the built-in fallback", 2, false},
        {"no such port", 9, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TCommPortDriver::FolderNamesDevice(row.Port), row.Named) << row.Name;
}

TEST_F(HeadingPollTest, AHeldBackTargetGoesAgainOnlyWhenTheAntennaIsElsewhere)
{
    struct Row {
        const char* Name;
        bool Running;
        std::vector<const char*> Replies;  // to the queries in turn; none: the controller stays silent
        int Step;
        bool SentAgain;
    };
    const Row rows[] = {
        {"antenna there", true, {"+0223"}, 1, false},
        {"turned away by hand", true, {"+0180"}, 1, true},
        {"within the step", true, {"+0220"}, 5, false},
        {"at the step", true, {"+0218"}, 5, true},
        {"heading unknown", true, {}, 1, false},
        {"read-back off", false, {}, 1, false},
        {"turning towards it", true, {"+0150", "+0160"}, 1, false},
        {"turning away from it", true, {"+0160", "+0150"}, 1, true},
    };
    DriverContext.HeadingPoll = &Poll;
    for (const Row& row : rows) {
        StationSettings.STEP_GS232 = row.Step;
        LastSentAzimuth = 223;
        Poll.SetRunning(row.Running);
        for (const char* reply : row.Replies) {
            EXPECT_EQ(NextQuery(), "C\r") << row.Name;
            Controller.Write(std::string(reply) + "\r");
            ASSERT_TRUE(RunEventsUntil([&] { return Poll.Heading() == std::atof(reply + 1); }, 2000)) << row.Name;
        }
        TargetAzimuth = 223;
        GoGs232();
        const bool sent = !CommandNotSent;
        CommandNotSent = false;
        EXPECT_EQ(sent, row.SentAgain) << row.Name;
        if (sent) {
            Poll.NoteCommandSent();
            EXPECT_EQ(Controller.ReadUntilQuiet(100).substr(0, 5), "W223\r") << row.Name;
            // Once a second at most, however often the target is repeated.
            GoGs232();
            EXPECT_TRUE(CommandNotSent) << row.Name;
            CommandNotSent = false;
            RunEventsUntil([] { return false; }, static_cast<int>(THeadingPoll::RepeatIntervalMs));
        }
        Poll.SetRunning(false);
        Port.ClosePort();
        Controller.ReadUntilQuiet(50);
    }
}

}  // namespace
