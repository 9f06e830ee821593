// PourSat and FODTrack go operations on the recording printer port.
#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/ParallelDrivers.h"
#include "support/ProcessState.h"
#include "support/Recorders.h"
#include "support/SimulatedPortIO.h"

namespace {

constexpr std::uint16_t Lpt1 = 0x378;
constexpr std::uint16_t Lpt2 = 0x278;

class ParallelDriversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        StationSettings.LPT_POURSAT = 0;
        StationSettings.LPT_FODTRACK = 0;
        LptBaseAddress = {Lpt1, Lpt2, 0};
        DriverContext.PortIO = &Port;
        DriverContext.SetLabelEtatInterface = [this](const std::string& text) { Label = text; };
    }

    void TearDown() override
    {
        ResetProcessState();
    }

    void Go(TRotatorInterface rotator, long double azimuth)
    {
        TargetAzimuth = azimuth;
        if (rotator == riPourSat)
            GoPourSat();
        else
            GoFodTrack();
    }

    // The value written to the data register first: the position word.
    int WrittenPosition() const
    {
        for (const TPortWrite& write : Port.Writes()) {
            if (write.Address == Lpt1)
                return write.Value;
        }
        ADD_FAILURE() << "no data register write";
        return -99999;
    }

    TSimulatedPortIO Port;
    TBeepRecorder Beeps;
    std::string Label = "untouched";
};

struct TPositionRow {
    const char* Name;
    TRotatorInterface Rotator;
    long double Cal;
    long double Zero;
    int Stop;
    long double Azimuth;
    int Expected;
};

const TPositionRow PositionRows[] = {
    {"PourSatDefaults90", riPourSat, 0.5138901L, 0, 0, 90, 46},
    {"PourSatDefaults359", riPourSat, 0.5138901L, 0, 0, 359, 184},
    {"FodTrackDefaults359", riFODTrack, 0.711L, 0, 0, 359, 255},
    {"FodTrack359_9ClampedTo255", riFODTrack, 0.711L, 0, 0, 359.9L, 255},
    {"SouthStop180IsZero", riPourSat, 0.5138901L, 0, 1, 180, 0},
    {"SouthStop0IsNorth180", riPourSat, 0.5138901L, 0, 1, 0, 93},
    {"NorthStop180", riPourSat, 0.5138901L, 0, 0, 180, 93},
    {"SouthStop270", riFODTrack, 0.711L, 0, 1, 270, 64},
    {"ZeroPastAzimuthAddsOneTurn", riFODTrack, 0.711L, 10, 0, 5, 252},
    {"NegativeZeroTakesOneTurnOff", riFODTrack, 0.711L, -10, 0, 355, 4},
    {"NegativeCalZeroZeroBecomesZero", riPourSat, -0.5L, 0, 0, 100, 0},
    {"NegativeCalNegativeZeroBecomesZero", riPourSat, -0.5L, -10, 0, 100, 0},
    {"HalfGoesDownToEven", riPourSat, 0.5L, 0, 0, 5, 2},
    {"HalfGoesUpToEven", riPourSat, 0.5L, 0, 0, 3, 2},
    {"HalfAtTopGoesUpToEven", riPourSat, 0.5L, 0, 0, 359, 180},
    {"Half248_5Gives248", riPourSat, 1, 0.5L, 0, 249, 248},
    {"TurnAddedThenHalfToEven", riPourSat, 0.5L, 7, 0, 0, 176},
    {"TurnAddedThenClamped", riPourSat, 1, 4.5L, 0, 1, 255},
    {"SixteenBitWrapTurnsNegativeThenZero", riPourSat, 200, 0, 0, 200, 0},
    {"SixteenBitWrapLandsInRange", riPourSat, 1000, 0, 0, 65.6L, 64},
    {"TurnTakenOffNotCheckedAgain", riPourSat, 2, -10, 0, 300, -100},
    {"TurnAddedNotCheckedAgain", riPourSat, -1, 200, 0, 300, -460},
};

void PrintTo(const TPositionRow& row, std::ostream* out)
{
    *out << row.Name;
}

class PositionWordTest : public ParallelDriversTest,
                         public ::testing::WithParamInterface<TPositionRow> {};

TEST_P(PositionWordTest, LabelAndDataRegisterCarryTheWord)
{
    const TPositionRow& row = GetParam();
    StationSettings.STEP_POURSAT = StationSettings.STEP_FODTRACK = 0;
    if (row.Rotator == riPourSat) {
        StationSettings.CALAZ_POURSAT = row.Cal;
        StationSettings.ZERO_POURSAT = row.Zero;
        StationSettings.STOP_POURSAT = row.Stop;
    } else {
        StationSettings.CALAZ_FODTRACK = row.Cal;
        StationSettings.ZERO_FODTRACK = row.Zero;
        StationSettings.STOP_FODTRACK = row.Stop;
    }

    Go(row.Rotator, row.Azimuth);

    EXPECT_EQ(Label, std::to_string(row.Expected));
    EXPECT_EQ(WrittenPosition(), row.Expected);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, PositionWordTest, ::testing::ValuesIn(PositionRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ParallelDriversTest, PourSatWritesItsEightRegisterValuesOnTheChosenPort)
{
    StationSettings.LPT_POURSAT = 1;
    Go(riPourSat, 90);

    const std::vector<TPortWrite> expected = {
        {Lpt2 + 2, 0}, {Lpt2 + 2, 8}, {Lpt2, 46}, {Lpt2 + 2, 10},
        {Lpt2 + 2, 1}, {Lpt2, 1},     {Lpt2 + 2, 3}, {Lpt2 + 2, 0},
    };
    EXPECT_EQ(Port.Writes(), expected);
    ASSERT_FALSE(Port.Calls.empty());
    EXPECT_EQ(Port.Calls.back().Kind, TPortCallKind::GetLastState);
    EXPECT_EQ(Port.CallsOf(TPortCallKind::GetLastState).size(), 1u);
    EXPECT_TRUE(Port.CallsOf(TPortCallKind::EnablePorts).empty());
}

TEST_F(ParallelDriversTest, FodTrackWritesItsTenRegisterValuesWithThePauses)
{
    Go(riFODTrack, 359);

    const std::vector<TPortWrite> expected = {
        {Lpt1 + 2, 2}, {Lpt1, 255},    {Lpt1 + 2, 2}, {Lpt1 + 2, 3}, {Lpt1 + 2, 2},
        {Lpt1 + 2, 0}, {Lpt1, 1},      {Lpt1 + 2, 0}, {Lpt1 + 2, 1}, {Lpt1 + 2, 0},
    };
    EXPECT_EQ(Port.Writes(), expected);

    const std::vector<TPortCall> writes = Port.CallsOf(TPortCallKind::Outport);
    ASSERT_EQ(writes.size(), 10u);
    const std::uint64_t pauses[] = {10, 10, 5, 10, 10, 10, 10, 5, 10};
    for (std::size_t i = 0; i + 1 < writes.size(); ++i)
        EXPECT_GE(writes[i + 1].Time - writes[i].Time, pauses[i]) << "after write " << i + 1;
    EXPECT_GE(writes.back().Time - writes.front().Time, 80u);
    EXPECT_LT(writes.back().Time - writes.front().Time, 10000u);
    EXPECT_EQ(Port.Calls.back().Kind, TPortCallKind::GetLastState);
    EXPECT_FALSE(CommandNotSent);
}

TEST_F(ParallelDriversTest, StepRuleLetsEqualityThroughAndHoldsBackLessSilently)
{
    StationSettings.STEP_POURSAT = 5;
    LastSentAzimuth = 100;

    Go(riPourSat, 104);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_TRUE(Port.Calls.empty());
    EXPECT_EQ(LastSentAzimuth, 100);
    EXPECT_EQ(Label, "untouched");
    EXPECT_EQ(Beeps.Count(), 0);

    CommandNotSent = false;
    Go(riPourSat, 105);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Port.Writes().size(), 8u);
    EXPECT_EQ(LastSentAzimuth, 105);
}

TEST_F(ParallelDriversTest, StepZeroSendsAnUnchangedAzimuth)
{
    StationSettings.STEP_POURSAT = 0;
    LastSentAzimuth = 90;
    Go(riPourSat, 90);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Port.Writes().size(), 8u);
}

TEST_F(ParallelDriversTest, FirstCommandAfterStartPassesAStepOfTen)
{
    StationSettings.STEP_POURSAT = 10;
    Go(riPourSat, 0);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Port.Writes().size(), 8u);
}

TEST_F(ParallelDriversTest, LastSentAzimuthIsTheUnshiftedTarget)
{
    StationSettings.STOP_POURSAT = 1;
    Go(riPourSat, 10);
    EXPECT_EQ(LastSentAzimuth, 10);
    EXPECT_EQ(Label, std::to_string(98));  // (190 x 0.5138901) = 97.64
}

TEST_F(ParallelDriversTest, StateWithoutSuccesBeepsAndReportsNotSentAfterWriting)
{
    for (const char* state : {"port error", "Succes", ""}) {
        Port.Calls.clear();
        Beeps.Clear();
        CommandNotSent = false;
        LastSentAzimuth = LastSentAzimuthReset;
        Port.State = state;

        Go(riPourSat, 90);

        EXPECT_EQ(Port.Writes().size(), 8u) << state;
        EXPECT_TRUE(CommandNotSent) << state;
        EXPECT_EQ(Beeps.Count(), 1) << state;
    }
}

TEST_F(ParallelDriversTest, StateContainingSuccesClearsNotSent)
{
    Port.State = "writes: succes (3 ports)";
    CommandNotSent = true;
    Go(riFODTrack, 90);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(ParallelDriversTest, NoUsablePortBeepsAndWritesNothing)
{
    struct TRow {
        const char* Name;
        int Port;
    };
    for (const TRow row : {TRow{"index 5", 5}, TRow{"none chosen", -1}, TRow{"base address 0", 2}}) {
        for (const TRotatorInterface rotator : {riPourSat, riFODTrack}) {
            Beeps.Clear();
            CommandNotSent = false;
            StationSettings.LPT_POURSAT = StationSettings.LPT_FODTRACK = row.Port;

            Go(rotator, 90);

            EXPECT_TRUE(Port.Calls.empty()) << row.Name;
            EXPECT_TRUE(CommandNotSent) << row.Name;
            EXPECT_EQ(Beeps.Count(), 1) << row.Name;
            EXPECT_EQ(LastSentAzimuth, LastSentAzimuthReset) << row.Name;
            EXPECT_EQ(Label, "untouched") << row.Name;
        }
    }
}

TEST_F(ParallelDriversTest, EachInterfaceReadsItsOwnSettings)
{
    StationSettings.LPT_POURSAT = -1;
    StationSettings.CALAZ_FODTRACK = 1;
    StationSettings.ZERO_FODTRACK = 100;
    Go(riFODTrack, 200);
    EXPECT_EQ(WrittenPosition(), 100);

    Port.Calls.clear();
    StationSettings.LPT_POURSAT = 0;
    StationSettings.LPT_FODTRACK = -1;
    Go(riPourSat, 300);
    EXPECT_EQ(WrittenPosition(), 154);  // 300 x 0.5138901 = 154.17
}

TEST_F(ParallelDriversTest, CalibrationWithoutAFiniteWordSendsNothing)
{
    StationSettings.CALAZ_POURSAT = std::numeric_limits<long double>::infinity();
    Go(riPourSat, 90);
    EXPECT_TRUE(Port.Calls.empty());
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(Beeps.Count(), 1);
}

}  // namespace
