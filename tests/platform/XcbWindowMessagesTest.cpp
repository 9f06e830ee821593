// The xcb window messages against a real X server and the ARSWIN stand-in.
#include <gtest/gtest.h>

#include "platform/XcbWindowMessages.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

class XcbWindowMessagesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Server.IsRunning()) << "Xvfb did not start"; }

    // Starts the stand-in and waits until its window can be found.
    TWindowHandle StartStandIn()
    {
        StandIn = std::make_unique<TChildProcess>(BuiltProgram("arswin-standin"));
        TWindowHandle window = 0;
        RunEventsUntil([&] { return (window = Messages.FindWindowA("ThunderForm", "ARSWIN")) != 0; });
        return window;
    }

    TPrivateXServer Server;
    TXcbWindowMessages Messages;
    std::unique_ptr<TChildProcess> StandIn;
};

TEST_F(XcbWindowMessagesTest, FindsTheWindowOnlyByItsClassPartAndExactTitle)
{
    const TWindowHandle window = StartStandIn();
    ASSERT_NE(window, 0u) << StandIn->ErrorOutput();

    struct Row {
        const char* Name;
        const char* ClassName;
        const char* Title;
    };
    const Row misses[] = {
        {"instance part is not the class", "arswin", "ARSWIN"},
        {"class differs in case", "thunderform", "ARSWIN"},
        {"title differs in case", "ThunderForm", "Arswin"},
        {"title is a prefix", "ThunderForm", "ARSWI"},
        {"title is longer", "ThunderForm", "ARSWIN 2"},
        {"empty title", "ThunderForm", ""},
    };
    for (const Row& row : misses)
        EXPECT_EQ(Messages.FindWindowA(row.ClassName, row.Title), 0u) << row.Name;
    EXPECT_EQ(Messages.FindWindowA("ThunderForm", "ARSWIN"), window);
}

TEST_F(XcbWindowMessagesTest, PostedMessageArrivesWithSignedParameters)
{
    const TWindowHandle window = StartStandIn();
    ASSERT_NE(window, 0u);
    const std::uint32_t azimuth = Messages.RegisterWindowMessageA("AZIMUTH");
    ASSERT_NE(azimuth, 0u);
    EXPECT_EQ(Messages.RegisterWindowMessageA("AZIMUTH"), azimuth);
    EXPECT_NE(Messages.RegisterWindowMessageA("SOMETHING_ELSE"), azimuth);

    ASSERT_TRUE(Messages.PostMessageA(window, azimuth, 360, 0));
    ASSERT_TRUE(Messages.PostMessageA(window, azimuth, -1, -2147483647 - 1));
    // A message of another type is not an AZIMUTH message and is not logged.
    ASSERT_TRUE(Messages.PostMessageA(window, Messages.RegisterWindowMessageA("SOMETHING_ELSE"), 7, 7));
    ASSERT_TRUE(Messages.PostMessageA(window, azimuth, 0, 5));

    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=360 lParam=0");
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=-1 lParam=-2147483648");
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=0 lParam=5");
}

TEST_F(XcbWindowMessagesTest, PostToAWindowThatIsGoneFails)
{
    const TWindowHandle window = StartStandIn();
    ASSERT_NE(window, 0u);
    const std::uint32_t azimuth = Messages.RegisterWindowMessageA("AZIMUTH");
    StandIn->Terminate();
    ASSERT_TRUE(RunEventsUntil([&] { return Messages.FindWindowA("ThunderForm", "ARSWIN") == 0; }));
    EXPECT_FALSE(Messages.PostMessageA(window, azimuth, 90, 0));
    EXPECT_FALSE(Messages.PostMessageA(0, azimuth, 90, 0));
}

TEST_F(XcbWindowMessagesTest, WithoutDisplayNothingIsFoundOrPosted)
{
    TScopedEnvironment noDisplay("DISPLAY", "");
    TXcbWindowMessages messages;
    EXPECT_EQ(messages.FindWindowA("ThunderForm", "ARSWIN"), 0u);
    EXPECT_EQ(messages.RegisterWindowMessageA("AZIMUTH"), 0u);
    EXPECT_FALSE(messages.PostMessageA(1, 1, 90, 0));
}

TEST_F(XcbWindowMessagesTest, ConnectsAgainAfterTheDisplayWasRestarted)
{
    ASSERT_NE(StartStandIn(), 0u);
    StandIn->Terminate();
    Server.Stop();
    EXPECT_EQ(Messages.FindWindowA("ThunderForm", "ARSWIN"), 0u);
    EXPECT_EQ(Messages.RegisterWindowMessageA("AZIMUTH"), 0u);

    ASSERT_TRUE(Server.Restart());
    const TWindowHandle window = StartStandIn();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(Messages.PostMessageA(window, Messages.RegisterWindowMessageA("AZIMUTH"), 45, 0));
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=45 lParam=0");
}

}  // namespace
