// GoGs232 and StopGs232 against a pseudo-terminal linked as COM1: the bytes on the line and the port's life.
#include <gtest/gtest.h>

#include <string>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/Gs232Driver.h"
#include "serial/ComDrv32.h"
#include "support/ProcessState.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

namespace {

class Gs232DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Controller.IsOpen());
        ASSERT_TRUE(Folder.Link("COM1", Controller.SlavePath()));
        ResetProcessState();
        StationSettings.PORT_GS232 = 0;
        Port.SetComPortSpeed(br110);  // as the main window creates it
        DriverContext.CommPortDriverGS = &Port;
        DriverContext.SetLabelEtatInterface = [this](const std::string& text) { Label = text; };
    }

    void TearDown() override
    {
        ResetProcessState();
    }

    void Go(long double azimuth)
    {
        TargetAzimuth = azimuth;
        GoGs232();
    }

    TPortFolder Folder;
    TPseudoTerminal Controller;
    TCommPortDriver Port;
    TBeepRecorder Beeps;
    std::string Label;
};

}  // namespace

TEST_F(Gs232DriverTest, TurnCommandsOnTheLine)
{
    struct Row {
        const char* Name;
        long double Azimuth;
        int Stop;  // 0 north, 1 south
        const char* Bytes;
        const char* Label;
    };
    const Row rows[] = {
        {"one digit", 5, 0, "W005\r", "005"},
        {"fraction down", 45.4L, 0, "W045\r", "045"},
        {"half to even, up to 360", 359.5L, 0, "W360\r", "360"},
        {"half to even, down to 0", 0.5L, 0, "W000\r", "000"},
        {"three digits", 123, 0, "W123\r", "123"},
        {"south stop, 90", 90, 1, "W270\r", "270"},
        {"south stop, 200", 200, 1, "W020\r", "020"},
        {"south stop, 180", 180, 1, "W000\r", "000"},
    };
    for (const Row& row : rows) {
        StationSettings.STOP_GS232 = row.Stop;
        LastSentAzimuth = LastSentAzimuthReset;
        Go(row.Azimuth);
        EXPECT_EQ(Controller.ReadBytes(5, 2000), row.Bytes) << row.Name;
        EXPECT_EQ(Label, row.Label) << row.Name;
        EXPECT_FALSE(CommandNotSent) << row.Name;
        EXPECT_EQ(LastSentAzimuth, row.Azimuth) << row.Name << ": kept before the end-stop shift";
    }
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(Gs232DriverTest, OpensOnTheFirstCommandAndStaysOpen)
{
    Port.SetComPort(pnCOM3);  // whatever it held: the go sets PORT_GS232
    EXPECT_FALSE(Port.IsOpen());
    Go(10);
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(Port.ComPort(), pnCOM1);
    EXPECT_EQ(Controller.LineSettings().OutputSpeed, 110u);
    EXPECT_EQ(Controller.ReadBytes(5, 2000), "W010\r");

    ASSERT_TRUE(Controller.SetStandardSpeed(2400));  // would be undone by a reopen
    Go(20);
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(Controller.ReadBytes(5, 2000), "W020\r");
    EXPECT_EQ(Controller.LineSettings().OutputSpeed, 2400u);
}

TEST_F(Gs232DriverTest, StopSendsSAndClosesOnlyAnOpenPort)
{
    StopGs232();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Controller.ReadUntilQuiet(150), "");

    Go(30);
    EXPECT_EQ(Controller.ReadBytes(5, 2000), "W030\r");
    StopGs232();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Controller.ReadBytes(2, 2000), "S\r");
    StopGs232();  // again: nothing
    EXPECT_EQ(Controller.ReadUntilQuiet(150), "");
}

TEST_F(Gs232DriverTest, StepRuleSendsNothingAndKeepsThePort)
{
    StationSettings.STEP_GS232 = 5;
    LastSentAzimuth = 100;
    Go(104);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_FALSE(Port.IsOpen());
    CommandNotSent = false;
    Go(105);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Controller.ReadBytes(5, 2000), "W105\r");
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(Gs232DriverTest, FailedOpenBeepsOnceThenTheStepRuleHoldsTheRepeat)
{
    struct Row {
        const char* Name;
        int PortIndex;
    };
    const Row rows[] = {{"no port chosen", -1}, {"adapter unplugged", 1}};
    for (const Row& row : rows) {
        StationSettings.PORT_GS232 = row.PortIndex;
        StationSettings.STEP_GS232 = 1;
        LastSentAzimuth = LastSentAzimuthReset;
        Beeps.Clear();
        Go(77);
        EXPECT_TRUE(CommandNotSent) << row.Name;
        EXPECT_EQ(Beeps.Count(), 1) << row.Name;
        EXPECT_EQ(LastSentAzimuth, 77) << row.Name;
        CommandNotSent = false;
        Go(77);
        EXPECT_TRUE(CommandNotSent) << row.Name;
        EXPECT_EQ(Beeps.Count(), 1) << row.Name << ": the repeat is held back silently";
        CommandNotSent = false;
        StationSettings.STEP_GS232 = 0;
        Go(77);
        EXPECT_EQ(Beeps.Count(), 2) << row.Name << ": step 0 tries again";
        CommandNotSent = false;
        EXPECT_FALSE(Port.IsOpen()) << row.Name;
    }
    EXPECT_EQ(Controller.ReadUntilQuiet(150), "");
}

TEST_F(Gs232DriverTest, APulledAdapterClosesThePortAndTheNextCommandReopens)
{
    Port.SetOutputTimeout(60000);
    Go(40);
    EXPECT_EQ(Controller.ReadBytes(5, 2000), "W040\r");
    Controller.CloseMaster();

    Go(50);  // fails quietly: no hang, no beep, the port is let go
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Beeps.Count(), 0);

    Folder.Unplug("COM1");
    CommandNotSent = false;
    Go(60);  // the device is still away: the reopen fails and beeps
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 1);

    TPseudoTerminal replugged;
    ASSERT_TRUE(Folder.Link("COM1", replugged.SlavePath()));
    CommandNotSent = false;
    Go(70);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(replugged.ReadBytes(5, 2000), "W070\r");
}

TEST(Gs232Commands, BytesOfEachCommand)
{
    struct Row {
        const char* Name;
        std::string Built;
        std::string Expected;
    };
    const Row rows[] = {
        {"lowest", Gs232TurnCommand(0), "W000\r"},
        {"highest", Gs232TurnCommand(360), "W360\r"},
        {"two digits", Gs232TurnCommand(45), "W045\r"},
        {"below range held at 0", Gs232TurnCommand(-5), "W000\r"},
        {"above range held at 360", Gs232TurnCommand(1000), "W360\r"},
        {"stop", Gs232StopCommand(), "S\r"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.Built, row.Expected) << row.Name;
}
