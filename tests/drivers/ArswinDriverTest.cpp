// The ARSIF go and stop operations against the ARSWIN stand-in on a private X server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/ArswinDriver.h"
#include "drivers/DriverContext.h"
#include "platform/XcbWindowMessages.h"
#include "support/ProcessState.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"
#include "support/Recorders.h"

namespace {

class ArswinDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Server.IsRunning()) << "Xvfb did not start";
        ResetProcessState();
        StationSettings.ANT = riARSIF;
        DriverContext.WindowMessages = &Messages;
        DriverContext.SetLabelEtatInterface = [this](const std::string& text) { Label = text; };
        DriverContext.ShowArswinNotRunning = [this] {
            // The box comes after the exclamation sound.
            BeepsBeforeWarning.push_back(Beeps.CountOf(TBeepKind::Exclamation));
        };
    }

    void TearDown() override
    {
        ResetProcessState();
    }

    void StartStandIn()
    {
        StandIn = std::make_unique<TChildProcess>(BuiltProgram("arswin-standin"));
        ASSERT_TRUE(RunEventsUntil([&] { return Messages.FindWindowA("ThunderForm", "ARSWIN") != 0; }))
            << StandIn->ErrorOutput();
    }

    void Go(long double azimuth)
    {
        TargetAzimuth = azimuth;
        GoArswin();
    }

    // A stop is always posted, so the next line after it shows whether a go posted anything before.
    std::vector<std::string> LinesUpToStop()
    {
        StopArswin();
        std::vector<std::string> lines;
        while (auto line = StandIn->NextLine()) {
            lines.push_back(*line);
            if (*line == "AZIMUTH wParam=-1 lParam=0")
                break;
        }
        return lines;
    }

    TPrivateXServer Server;
    TXcbWindowMessages Messages;
    std::unique_ptr<TChildProcess> StandIn;
    TBeepRecorder Beeps;
    std::string Label;
    std::vector<int> BeepsBeforeWarning;
};

TEST_F(ArswinDriverTest, PostsTheAzimuthRoundedHalvesToEven)
{
    StartStandIn();
    struct Row {
        const char* Name;
        long double Azimuth;
        const char* Sent;
    };
    const Row rows[] = {
        {"half below 360 goes up to 360", 359.5L, "360"},
        {"half above 0 goes down to 0", 0.5L, "0"},
        {"half above even 44 stays", 44.5L, "44"},
        {"half above odd 45 goes up", 45.5L, "46"},
        {"just under a half goes down", 12.4999L, "12"},
        {"whole azimuth as is", 235.0L, "235"},
    };
    for (const Row& row : rows) {
        LastSentAzimuth = LastSentAzimuthReset;
        CommandNotSent = false;
        Go(row.Azimuth);
        EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=" + std::string(row.Sent) + " lParam=0") << row.Name;
        EXPECT_EQ(Label, row.Sent) << row.Name;
        EXPECT_FALSE(CommandNotSent) << row.Name;
        EXPECT_EQ(LastSentAzimuth, row.Azimuth) << row.Name;
    }
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(ArswinDriverTest, SouthEndStopChangesNothing)
{
    StartStandIn();
    StationSettings.STOP_ARSIF = 1;
    Go(90.0L);
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=90 lParam=0");
}

TEST_F(ArswinDriverTest, StopPostsMinusOneWhateverInterfaceIsChosen)
{
    StartStandIn();
    StationSettings.ANT = riGS232;
    StopArswin();
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=-1 lParam=0");
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(ArswinDriverTest, MoveSmallerThanTheStepIsDroppedSilently)
{
    StartStandIn();
    StationSettings.STEP_ARSIF = 5;
    Go(100.0L);
    CommandNotSent = false;
    Go(104.0L);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(LastSentAzimuth, 100.0L);
    Go(105.0L);
    EXPECT_EQ(LinesUpToStop(), (std::vector<std::string>{"AZIMUTH wParam=100 lParam=0",
                                                          "AZIMUTH wParam=105 lParam=0",
                                                          "AZIMUTH wParam=-1 lParam=0"}));
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(ArswinDriverTest, WithoutArswinAGoWarnsOnceAndTheSameAzimuthIsThenHeldBack)
{
    Go(120.0L);
    EXPECT_EQ(Beeps.Kinds, (std::vector<TBeepKind>{TBeepKind::Exclamation}));
    EXPECT_EQ(BeepsBeforeWarning, (std::vector<int>{1}));
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(LastSentAzimuth, 120.0L);
    EXPECT_EQ(Label, "");

    CommandNotSent = false;
    Go(120.0L);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_EQ(BeepsBeforeWarning.size(), 1u);
}

TEST_F(ArswinDriverTest, WithoutArswinAStopDoesNothing)
{
    StopArswin();
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_TRUE(BeepsBeforeWarning.empty());
}

// A window that is found but refuses the message: the display went away in between.
class RefusingWindowMessages final : public IWindowMessages {
public:
    TWindowHandle FindWindowA(const std::string&, const std::string&) override { return 42; }
    std::uint32_t RegisterWindowMessageA(const std::string&) override { return 300; }
    bool PostMessageA(TWindowHandle, std::uint32_t, std::int32_t, std::int32_t) override { return false; }
};

TEST_F(ArswinDriverTest, RefusedPostBeepsPlainlyAndCountsAsNotSent)
{
    RefusingWindowMessages refusing;
    DriverContext.WindowMessages = &refusing;
    Go(10.0L);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Kinds, (std::vector<TBeepKind>{TBeepKind::Default}));
    EXPECT_TRUE(BeepsBeforeWarning.empty());
    StopArswin();
    EXPECT_EQ(Beeps.Kinds, (std::vector<TBeepKind>{TBeepKind::Default, TBeepKind::Default}));
}

}  // namespace
