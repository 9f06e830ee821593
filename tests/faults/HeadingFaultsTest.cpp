// Reading the heading back when the controller misbehaves, the adapter is pulled, commands cross queries
// and the switch is worked in a hurry: the heading becomes unknown, commands keep their bytes, no beep.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include "core/StationSettings.h"
#include "drivers/HeadingPoll.h"
#include "serial/ComDrv32.h"
#include "support/ChildProcess.h"
#include "support/MainWindowFixture.h"
#include "widgets/HeadingLine.h"

namespace {

class HeadingFaultsTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Controller = std::make_unique<TPseudoTerminal>();
        ASSERT_TRUE(Folder->Link("COM1", Controller->SlavePath()));
        StationSettings.ANT = riGS232;
        StationSettings.PORT_GS232 = 0;
        StationSettings.STEP_GS232 = 0;
        CreateForm();
    }

    void SwitchReadBack()
    {
        Form->MenuReadBack->trigger();
    }

    std::string Heading() const
    {
        return Form->LabelHeading->text().toStdString();
    }

    // Bytes the controller receives until `done` holds for them or the time is up.
    std::string ReceiveUntil(const std::function<bool(const std::string&)>& done, int timeoutMs)
    {
        std::string bytes;
        RunEventsUntil([&] {
            bytes += Controller->ReadBytes(64, 1);
            return done(bytes);
        }, timeoutMs);
        return bytes;
    }

    std::string NextQuery(int timeoutMs = 2000)
    {
        return ReceiveUntil([](const std::string& bytes) { return bytes.find('\r') != std::string::npos; }, timeoutMs);
    }

    // A first good reading, so that its loss can be seen.
    void ReadHeading(const std::string& reply, const std::string& shown)
    {
        ASSERT_EQ(NextQuery(), "C\r");
        Controller->Write(reply);
        ASSERT_TRUE(RunEventsUntil([&] { return Heading() == shown; }, 2000)) << Heading();
    }

    std::unique_ptr<TPseudoTerminal> Controller;
};

TEST_F(HeadingFaultsTest, BadRepliesMakeTheHeadingUnknownAndCommandsStayExact)
{
    struct Row {
        const char* Name;
        std::string Reply;  // sent once, after the first good reply
        int Ignored;        // lines counted as no position
    };
    const Row rows[] = {
        {"garbage lines", "?>\r\n#$%^\r\n", 2},
        {"half a line", "+01", 0},
        {"nothing", "", 0},
        {"a megabyte without a line end", std::string(1 << 20, 'Z'), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TearDown();
        SetUp();
        SwitchReadBack();
        ReadHeading("+0010\r\n", "Heading: 10°");

        ASSERT_EQ(NextQuery(), "C\r");
        std::size_t sent = 0;
        ASSERT_TRUE(RunEventsUntil([&] {
            sent += Controller->WriteSome(row.Reply.substr(sent, 4096));
            return sent == row.Reply.size() && Heading() == "Heading: ---"
                   && Form->HeadingPoll->IgnoredLines() >= row.Ignored;
        }, 60000)) << Heading() << ", " << Form->HeadingPoll->IgnoredLines() << " lines ignored";

        PressManWith("100");
        const std::string line = ReceiveUntil([](const std::string& bytes) { return bytes.size() >= 5; }, 2000);
        // Queries may come before or after it, never inside it.
        std::string rest = line;
        for (std::size_t query; (query = rest.find("C\r")) != std::string::npos;)
            rest.erase(query, 2);
        EXPECT_EQ(rest, "W100\r");
        EXPECT_EQ(Beeps.Count(), 0);
        EXPECT_TRUE(Boxes.Boxes.empty());
    }
}

TEST_F(HeadingFaultsTest, ACommandGoesOutWholeWhileAQueryWaitsAndTheLateReplyStillCounts)
{
    SwitchReadBack();
    ASSERT_EQ(NextQuery(), "C\r");
    PressManWith("100");
    EXPECT_EQ(ReceiveUntil([](const std::string& bytes) { return bytes.size() >= 5; }, 1000), "W100\r");
    Controller->Write("+0050\r\n");
    EXPECT_TRUE(RunEventsUntil([&] { return Heading() == "Heading: 50°"; }, 2000)) << Heading();
}

TEST_F(HeadingFaultsTest, PulledAdapterIsPolledAgainWithinTwoSecondsOfItsReturn)
{
    SwitchReadBack();
    ReadHeading("+0123\r\n", "Heading: 123°");

    Controller->CloseMaster();
    Folder->Unplug("COM1");
    EXPECT_TRUE(RunEventsUntil([&] { return Heading() == "Heading: ---"; }, 3000)) << Heading();
    RunEventsUntil([] { return false; }, 2500);  // polls that find no device
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_TRUE(Boxes.Boxes.empty());

    Controller = std::make_unique<TPseudoTerminal>();
    ASSERT_TRUE(Folder->Link("COM1", Controller->SlavePath()));
    EXPECT_EQ(NextQuery(2000), "C\r") << "polling resumes by itself";
    Controller->Write("+0124\r\n");
    EXPECT_TRUE(RunEventsUntil([&] { return Heading() == "Heading: 124°"; }, 2000)) << Heading();
}

TEST_F(HeadingFaultsTest, SwitchWorkedAHundredTimesWhileTurningLeavesNoTimerAndNoStrayByte)
{
    PressManWith("200");
    ASSERT_EQ(ReceiveUntil([](const std::string& bytes) { return bytes.size() >= 5; }, 2000), "W200\r");
    const auto timers = Form->findChildren<QTimer*>().size();
    for (int flip = 0; flip < 100; ++flip) {
        SwitchReadBack();
        RunEventsUntil([] { return false; }, 5);
        SwitchReadBack();
    }
    EXPECT_FALSE(Form->MenuReadBack->isChecked());
    EXPECT_FALSE(Form->HeadingPoll->Running());
    EXPECT_EQ(Form->findChildren<QTimer*>().size(), timers);
    // Each on asked once at most; after the last off the line stays quiet.
    std::string queries = ReceiveUntil([](const std::string&) { return false; }, 300);
    EXPECT_EQ(queries.find_first_not_of("C\r"), std::string::npos) << queries;
    EXPECT_EQ(ReceiveUntil([](const std::string&) { return false; }, 1500), "");
    EXPECT_TRUE(Form->CommPortDriverGS->IsOpen()) << "the command's port stays as the command left it";
}

}  // namespace
