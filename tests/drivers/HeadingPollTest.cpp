// Reading the heading back: the position replies of both controllers, and the poll on a pseudo-terminal.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "drivers/HeadingPoll.h"
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

}  // namespace
