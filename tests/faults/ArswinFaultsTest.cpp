// ARSWIN's window vanishing between the search for it and the post of the azimuth.
#include <gtest/gtest.h>

#include <signal.h>

#include <functional>

#include "core/StationSettings.h"
#include "support/MainWindowFixture.h"
#include "platform/XcbWindowMessages.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

// The real window messages, with a moment between finding a window and posting to it.
class TWindowMessagesWithPause final : public IWindowMessages {
public:
    TWindowHandle FindWindowA(const std::string& className, const std::string& title) override
    {
        const TWindowHandle found = Real.FindWindowA(className, title);
        if (found && AfterFind)
            std::exchange(AfterFind, nullptr)();
        return found;
    }
    std::uint32_t RegisterWindowMessageA(const std::string& name) override
    {
        return Real.RegisterWindowMessageA(name);
    }
    bool PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam, std::int32_t lParam) override
    {
        ++Posts;
        return Real.PostMessageA(window, message, wParam, lParam);
    }

    TXcbWindowMessages Real;
    std::function<void()> AfterFind;
    int Posts = 0;
};

class ArswinFaultsTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        ASSERT_TRUE(Server.IsRunning());
        StationSettings.ANT = riARSIF;
        StationSettings.STEP_ARSIF = 0;
        CreateForm([&](TPlatformServices& services) {
            auto messages = std::make_unique<TWindowMessagesWithPause>();
            Messages = messages.get();
            services.WindowMessages = std::move(messages);
        });
    }

    void StartStandIn()
    {
        StandIn = std::make_unique<TChildProcess>(BuiltProgram("arswin-standin"));
        TXcbWindowMessages probe;
        ASSERT_TRUE(RunEventsUntil([&] { return probe.FindWindowA("ThunderForm", "ARSWIN") != 0; }))
            << StandIn->ErrorOutput();
    }

    TPrivateXServer Server;
    TWindowMessagesWithPause* Messages = nullptr;
    std::unique_ptr<TChildProcess> StandIn;
};

TEST_F(ArswinFaultsTest, WindowGoneBeforeThePostBeepsPlainlyAndNothingIsStuck)
{
    StartStandIn();
    Messages->AfterFind = [&] {
        // ARSWIN crashes just after it was found: the X server destroys its window.
        kill(static_cast<pid_t>(StandIn->Pid()), SIGKILL);
        TXcbWindowMessages probe;
        RunEventsUntil([&] { return probe.FindWindowA("ThunderForm", "ARSWIN") == 0; });
    };
    PressManWith("90");
    EXPECT_EQ(Messages->Posts, 1);
    EXPECT_EQ(Beeps.CountOf(TBeepKind::Default), 1) << "a plain beep";
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_TRUE(Boxes.Boxes.empty()) << "the window was found, so no \"ARSWIN must be running !\"";
    EXPECT_FALSE(LedLit());

    // ARSWIN back: the next command goes out at once.
    StandIn.reset();
    StartStandIn();
    PressManWith("95");
    EXPECT_EQ(StandIn->NextLine(), "AZIMUTH wParam=95 lParam=0");
    EXPECT_TRUE(LedLit());
    EXPECT_EQ(Beeps.Count(), 1);
}

}  // namespace
