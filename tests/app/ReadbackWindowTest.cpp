// The main window reading the heading back: a tracking program's repeated target, what the bus is told, the compass.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/CompassWindow.h"
#include "app/ReadbackSetting.h"
#include "core/StationSettings.h"
#include "drivers/HeadingPoll.h"
#include "support/MainWindowFixture.h"
#include "widgets/Compass.h"
#include "widgets/HeadingLine.h"

namespace {

class ReadbackWindowTest : public TMainWindowFixture {
protected:
    void StartWindow(bool readBack, int step)
    {
        ASSERT_TRUE(Controller.IsOpen());
        ASSERT_TRUE(Folder->Link("COM1", Controller.SlavePath()));
        ASSERT_TRUE(WriteReadbackSetting(ReadbackSettingPath(), readBack));
        WriteConfiguration({"[TOLVANE]", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600",
                            "STOP_GS232=N", "STEP_GS232=" + std::to_string(step)});
        CreateForm();
        Form->FormActivate();
        Form->SpeedButtonAutoClick();
        ASSERT_TRUE(Form->AutoModeOn());
    }

    // Runs the window for `milliseconds` (or until `done`), the controller answering each position query
    // with `heading` (none: silent); the commands it received meanwhile, queries left out.
    std::string Run(std::optional<int> heading, int milliseconds, const std::function<bool()>& done = {})
    {
        std::string commands;
        RunEventsUntil([&] {
            Received += Controller.ReadBytes(64, 1);
            for (std::size_t end; (end = Received.find('\r')) != std::string::npos; Received.erase(0, end + 1)) {
                const std::string command = Received.substr(0, end + 1);
                if (command != "C\r")
                    commands += command;
                else if (heading)
                    Controller.Write("+0" + std::to_string(*heading) + "\r\n");
            }
            return done && done();
        }, milliseconds);
        return commands;
    }

    bool HeadingIs(int degrees) const
    {
        return Form->HeadingPoll->Heading() && *Form->HeadingPoll->Heading() == degrees;
    }

    TPseudoTerminal Controller;
    std::string Received;
};

TEST_F(ReadbackWindowTest, ARepeatedTargetGoesAgainOnlyWhenTheAntennaIsNotThere)
{
    struct Row {
        const char* Name;
        bool ReadBack;
        int Step;
        std::optional<int> Heading;  // what the controller answers after the first command
        bool ByMan;  // repeated by the operator's MAN rather than by the feed
        const char* Expected;
    };
    const Row rows[] = {
        {"antenna there", true, 1, 223, false, ""},
        {"turned away by hand", true, 1, 180, false, "W223\r"},
        {"within the step", true, 5, 220, false, ""},
        {"the switch off", false, 1, 180, false, ""},
        {"heading unknown", true, 1, std::nullopt, false, ""},
        {"MAN, turned away", true, 1, 100, true, "W223\r"},
    };
    for (const Row& row : rows) {
        SetUp();
        Received.clear();
        StartWindow(row.ReadBack, row.Step);
        Form->DdeClientItemChange("223  ");
        EXPECT_EQ(Run(223, 400), "W223\r") << row.Name;
        if (row.ReadBack && row.Heading) {
            ASSERT_TRUE(Run(row.Heading, 3000, [&] { return HeadingIs(*row.Heading); }).empty()) << row.Name;
        }
        // A repeat waits a second after the last command in any case.
        Run(row.Heading, static_cast<int>(THeadingPoll::RepeatIntervalMs) + 100);
        if (row.ByMan)
            Form->ButtonTrackClick();
        else
            Form->DdeClientItemChange("223  ");
        EXPECT_EQ(Run(row.Heading, 400), row.Expected) << row.Name;
        EXPECT_EQ(Form->EditAzimut->text().toStdString(), "223") << row.Name;
        EXPECT_EQ(Beeps.Count(), 0) << row.Name;
        Form.reset();
        TearDown();
    }
}

TEST_F(ReadbackWindowTest, TheBusHearsTheHeadingKnownUnknownOrNotReadBack)
{
    StartWindow(true, 1);
    Run(90, 3000, [&] { return HeadingIs(90); });
    Run(std::nullopt, 3000, [&] { return !Form->HeadingPoll->Heading(); });
    Form->MenuReadBack->trigger();
    ASSERT_FALSE(Form->HeadingPoll->Running());
    Form->MenuReadBack->trigger();
    Form->close();

    std::vector<std::string> calls = Fakes.HeadingPublisher->Calls;
    calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
    const std::vector<std::string> expected = {
        "PublishUnknown",  // on, nothing read yet: a tracking program must not take the command for the antenna
        "Publish 90", "PublishUnknown",  // a reading, then the controller fell silent
        "Withdraw",  // switched off
        "PublishUnknown", "Withdraw",  // on again, then the window closes
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(ReadbackWindowTest, TheCompassNeedleFollowsTheHeadingLine)
{
    StartWindow(true, 1);
    Form->MenuCompass->trigger();
    const TCompass* compass = Form->FormCompass->Compass;
    EXPECT_TRUE(compass->HeadingShown());
    EXPECT_FALSE(compass->Heading()) << "nothing read yet: ---";
    Run(90, 3000, [&] { return HeadingIs(90); });
    EXPECT_EQ(compass->Heading(), std::optional<int>(90));
    EXPECT_EQ(Form->LabelHeading->Degrees(), compass->Heading());
    Run(std::nullopt, 3000, [&] { return !Form->HeadingPoll->Heading(); });
    EXPECT_TRUE(compass->HeadingShown());
    EXPECT_FALSE(compass->Heading()) << "the controller fell silent: ---";
    Form->MenuReadBack->trigger();
    EXPECT_FALSE(compass->HeadingShown()) << "switched off: neither needle nor ---";
}

}  // namespace
