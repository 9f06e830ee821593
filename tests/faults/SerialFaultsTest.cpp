// The GS-232 line when the device vanishes and returns, is held by another program, or is not permitted.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/StationSettings.h"
#include "support/MainWindowFixture.h"
#include "faults/FaultSupport.h"
#include "serial/ComDrv32.h"
#include "support/ChildProcess.h"

namespace {

const std::string SimulatorPath = BuiltProgram("rotator-sim");

class SerialFaultsTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        StationSettings.ANT = riGS232;
        StationSettings.PORT_GS232 = 0;
        StationSettings.STEP_GS232 = 0;
        CreateForm();
    }

    std::unique_ptr<TChildProcess> StartSimulator()
    {
        auto simulator = std::make_unique<TChildProcess>(
            SimulatorPath, QStringList{"--protocol", "gs232", "--rate", "60", "--start", "0", "--link",
                                       QString::fromStdString(Folder->Path() + "/COM1")});
        bool ready = false;
        while (!ready) {
            const auto line = simulator->NextLine(10000);
            if (!line)
                break;
            ready = line->rfind("READY", 0) == 0;
        }
        EXPECT_TRUE(ready) << simulator->ErrorOutput();
        return simulator;
    }

    // The simulator's next received command, as it prints it.
    static bool Received(TChildProcess& simulator, const std::string& command)
    {
        for (int lines = 0; lines < 50; ++lines) {
            const auto line = simulator.NextLine(5000);
            if (!line)
                return false;
            if (line->rfind("RX ", 0) == 0)
                return *line == "RX \"" + command + "\\r\"";
        }
        return false;
    }
};

TEST_F(SerialFaultsTest, SimulatorKilledAndRestartedOnTheSameLink)
{
    ASSERT_TRUE(std::filesystem::exists(SimulatorPath)) << "build the rotator-sim target first";
    auto simulator = StartSimulator();
    PressManWith("100");
    EXPECT_TRUE(Received(*simulator, "W100"));
    EXPECT_TRUE(LedLit());
    EXPECT_EQ(Beeps.Count(), 0);

    // Pulled like a USB adapter: the open port notices the hang-up and lets the device go.
    kill(static_cast<pid_t>(simulator->Pid()), SIGKILL);
    EXPECT_TRUE(RunEventsUntil([&] { return !Form->CommPortDriverGS->IsOpen(); }, 5000));
    simulator.reset();
    // A link left pointing at the dead pty's number could reach another test's new pty, which the
    // kernel may hand the same number: the device is gone, so is its name.
    Folder->Unplug("COM1");
    Form->TimerTrackOKTimer();  // the blink of the first command is over
    PressManWith("200");
    EXPECT_EQ(Beeps.Count(), 1) << "a command to a vanished device beeps";
    EXPECT_FALSE(LedLit());

    auto restarted = StartSimulator();
    PressManWith("250");
    EXPECT_TRUE(Received(*restarted, "W250"));
    EXPECT_TRUE(LedLit());
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST_F(SerialFaultsTest, PortHeldByAnotherProgramBeepsUntilItLetsGo)
{
    TPseudoTerminal line;
    ASSERT_TRUE(Folder->Link("COM1", line.SlavePath()));
    // util-linux flock holds the usual lock on the device for as long as it runs.
    TChildProcess holder("flock", {"--exclusive", "--close", QString::fromStdString(line.SlavePath()), "sleep", "20"});
    WaitFor(300);
    ASSERT_TRUE(holder.IsRunning()) << holder.ErrorOutput();

    PressManWith("100");
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_FALSE(LedLit());
    EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
    EXPECT_EQ(line.ReadUntilQuiet(300), "");

    holder.Terminate();
    PressManWith("110");
    EXPECT_EQ(line.ReadBytes(5, 2000), "W110\r");
    EXPECT_TRUE(LedLit());
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST_F(SerialFaultsTest, DeviceNotPermittedToTheUserBeeps)
{
    if (geteuid() == 0 && !TUnprivilegedFiles::PermissionsEnforced())
        GTEST_SKIP() << "running as root on a system that does not enforce file permissions";
    TPseudoTerminal line;
    ASSERT_TRUE(Folder->Link("COM1", line.SlavePath()));
    // The user "nobody" must reach the link, and the device itself refuses everyone.
    ASSERT_EQ(chmod(Folder->Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(line.SlavePath().c_str(), 0), 0);
    {
        // Only checked as an unprivileged user: root opens any device.
        std::unique_ptr<TUnprivilegedFiles> asUser;
        if (geteuid() == 0)
            asUser = std::make_unique<TUnprivilegedFiles>();
        PressManWith("100");
    }
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_FALSE(LedLit());
    EXPECT_EQ(line.ReadUntilQuiet(300), "");

    ASSERT_EQ(chmod(line.SlavePath().c_str(), 0620), 0);
    PressManWith("110");
    EXPECT_EQ(line.ReadBytes(5, 2000), "W110\r");
    EXPECT_TRUE(LedLit());
}

}  // namespace
