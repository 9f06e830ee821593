// GoEasyComm and StopEasyComm against a pseudo-terminal linked as COM1: the bytes on the line and the port's life.
#include <gtest/gtest.h>

#include <string>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "serial/ComDrv32.h"
#include "support/ProcessState.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

namespace {

class EasyCommDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Controller.IsOpen());
        ASSERT_TRUE(Folder.Link("COM1", Controller.SlavePath()));
        ResetProcessState();
        StationSettings.PORT_EASYCOMM = 0;
        DriverContext.CommPortDriverEasy = &Port;
        DriverContext.SetLabelEtatInterface = [this](const std::string& text) { Label = text; };
    }

    void TearDown() override
    {
        ResetProcessState();
    }

    void Go(long double azimuth)
    {
        TargetAzimuth = azimuth;
        GoEasyComm();
    }

    TPortFolder Folder;
    TPseudoTerminal Controller;
    TCommPortDriver Port;
    TBeepRecorder Beeps;
    std::string Label;
};

}  // namespace

TEST_F(EasyCommDriverTest, AzimuthCommandsOnTheLine)
{
    struct Row {
        const char* Name;
        long double Azimuth;
        int Stop;  // 0 north, 1 south
        const char* Bytes;
        const char* Label;
    };
    const Row rows[] = {
        {"one digit", 7, 0, "AZ007.0\r", "007"},
        {"fraction rounds, never sent", 123.6L, 0, "AZ124.0\r", "124"},
        {"half to even, up to 360", 359.5L, 0, "AZ360.0\r", "360"},
        {"half to even, down", 2.5L, 0, "AZ002.0\r", "002"},
        {"two digits", 45, 0, "AZ045.0\r", "045"},
        {"south stop, 10", 10, 1, "AZ190.0\r", "190"},
        {"south stop, 270", 270, 1, "AZ090.0\r", "090"},
    };
    for (const Row& row : rows) {
        StationSettings.STOP_EASYCOMM = row.Stop;
        LastSentAzimuth = LastSentAzimuthReset;
        Go(row.Azimuth);
        EXPECT_EQ(Controller.ReadBytes(8, 2000), row.Bytes) << row.Name;
        EXPECT_EQ(Label, row.Label) << row.Name;
        EXPECT_FALSE(CommandNotSent) << row.Name;
    }
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_EQ(Controller.LineSettings().OutputSpeed, 9600u);  // component default
}

TEST_F(EasyCommDriverTest, StopSendsSAAndClosesOnlyAnOpenPort)
{
    StopEasyComm();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Controller.ReadUntilQuiet(150), "");

    Go(100);
    Go(200);  // the second command reuses the open port
    EXPECT_EQ(Controller.ReadBytes(16, 2000), "AZ100.0\rAZ200.0\r");
    StopEasyComm();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Controller.ReadBytes(3, 2000), "SA\r");
    StopEasyComm();
    EXPECT_EQ(Controller.ReadUntilQuiet(150), "");
}

TEST_F(EasyCommDriverTest, FailedOpenBeepsOnceThenTheStepRuleHoldsTheRepeat)
{
    StationSettings.PORT_EASYCOMM = -1;
    Go(33);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 1);
    CommandNotSent = false;
    Go(33);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 1);
    CommandNotSent = false;
    StationSettings.STEP_EASYCOMM = 0;
    Go(33);
    EXPECT_EQ(Beeps.Count(), 2);
    CommandNotSent = false;

    StationSettings.PORT_EASYCOMM = 0;  // the port comes back: the next command goes out
    Go(33);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Controller.ReadBytes(8, 2000), "AZ033.0\r");
}

TEST(EasyCommCommands, BytesOfEachCommand)
{
    EXPECT_EQ(EasyCommAzimuthCommand(0), "AZ000.0\r");
    EXPECT_EQ(EasyCommAzimuthCommand(360), "AZ360.0\r");
    EXPECT_EQ(EasyCommStopCommand(), "SA\r");
    EXPECT_EQ(EasyCommExitStopCommand(), "SA SE\r");
}
