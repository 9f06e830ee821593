// The D-Bus feed conversation against the feed publisher on a private session bus.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <signal.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/DBusDdeClientConv.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

const std::string FeedBusName = "dde.Teskarn";

class DBusDdeClientConvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Bus.IsRunning()) << "dbus-daemon did not start";
        ASSERT_TRUE(EmptyFolder.isValid());
        Conversation = MakeConversation(Events);
    }

    // Records every notification in order: "open", "close", "item:<text>".
    std::unique_ptr<TDBusDdeClientConv> MakeConversation(std::vector<std::string>& events)
    {
        auto conversation = std::make_unique<TDBusDdeClientConv>();
        conversation->OnOpen = [&events] { events.push_back("open"); };
        conversation->OnClose = [&events] { events.push_back("close"); };
        conversation->OnItemChange = [&events](const std::string& text) { events.push_back("item:" + text); };
        return conversation;
    }

    std::unique_ptr<TChildProcess> StartPublisher(const QStringList& arguments = {})
    {
        auto publisher = std::make_unique<TChildProcess>(BuiltProgram("teskarn-feed"), arguments);
        EXPECT_TRUE(publisher->SkipPast("ready dde.Teskarn")) << publisher->ErrorOutput();
        return publisher;
    }

    bool Link() { return Conversation->SetLink("Teskarn", "Teskarn") && Conversation->SetItemName("azimuth"); }

    bool WaitForEvents(std::size_t count) { return RunEventsUntil([&] { return Events.size() >= count; }); }

    TPrivateSessionBus Bus;
    QTemporaryDir EmptyFolder;
    // Nothing named Teskarn can be started unless a test puts it on the path.
    TScopedEnvironment Path{"PATH", EmptyFolder.path().toStdString()};
    std::vector<std::string> Events;
    std::unique_ptr<TDBusDdeClientConv> Conversation;
};

TEST_F(DBusDdeClientConvTest, LinkFailsWhenNobodyOwnsTheNameAndNothingCanBeStarted)
{
    EXPECT_FALSE(Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_FALSE(Conversation->IsOpen());
    EXPECT_FALSE(Conversation->SetItemName("azimuth"));
    EXPECT_TRUE(Events.empty());
}

TEST_F(DBusDdeClientConvTest, OpeningDeliversTheCurrentValueWithControlCharactersAsSpaces)
{
    auto publisher = StartPublisher({"--raw", "1\\t2\\x1f\\r\\n"});
    ASSERT_TRUE(Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_TRUE(Conversation->IsOpen());
    ASSERT_TRUE(Conversation->SetItemName("azimuth"));
    // Delivered before SetItemName returns, with no event loop in between.
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:1 2   "}));
}

TEST_F(DBusDdeClientConvTest, EveryPublishedValueIsDeliveredEvenWhenRepeated)
{
    auto publisher = StartPublisher();
    ASSERT_TRUE(Link());
    // One at a time: each notice is followed by a request, which reads the value of that moment.
    ASSERT_TRUE(publisher->WriteLine("235"));
    ASSERT_TRUE(WaitForEvents(3));
    ASSERT_TRUE(publisher->WriteLine("235"));
    ASSERT_TRUE(WaitForEvents(4));
    ASSERT_TRUE(publisher->WriteLine("12.5"));
    ASSERT_TRUE(WaitForEvents(5));
    // Before anything is published the value is empty; the box decides what a repeat changes.
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:", "item:235  ", "item:235  ", "item:12.5  "}));
}

TEST_F(DBusDdeClientConvTest, PublisherLeavingClosesTheLinkAndALaterLinkFindsItAgain)
{
    auto publisher = StartPublisher({"100"});
    ASSERT_TRUE(Link());
    publisher->Terminate();
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:100  ", "close"}));
    EXPECT_FALSE(Conversation->IsOpen());

    EXPECT_FALSE(Conversation->SetLink("Teskarn", "Teskarn"));
    publisher = StartPublisher({"101"});
    Events.clear();
    ASSERT_TRUE(Link());
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:101  "}));
    ASSERT_TRUE(publisher->WriteLine("102"));
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_EQ(Events.back(), "item:102  ");
}

TEST_F(DBusDdeClientConvTest, TheBusGoingAwayClosesTheLink)
{
    auto publisher = StartPublisher({"100"});
    ASSERT_TRUE(Link());
    Bus.EndDaemon();
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:100  ", "close"}));
    EXPECT_FALSE(Conversation->IsOpen());
}

TEST_F(DBusDdeClientConvTest, LinkingAgainWhileOpenClosesFirstAndDeliversTheKnownItemTwice)
{
    auto publisher = StartPublisher({"200"});
    ASSERT_TRUE(Link());
    Events.clear();
    ASSERT_TRUE(Link());
    EXPECT_EQ(Events, (std::vector<std::string>{"close", "open", "item:200  ", "item:200  "}));
}

TEST_F(DBusDdeClientConvTest, StartsTheProgramNamedByTheServiceFromPath)
{
    TScopedEnvironment path("PATH", EmptyFolder.path().toStdString() + ":" +
                                        BuiltProgramsFolder());
    ASSERT_EQ(Bus.OwnerPid(FeedBusName), 0);
    const bool linkedAtOnce = Conversation->SetLink("Teskarn", "Teskarn");
    ASSERT_TRUE(Bus.WaitForOwner(FeedBusName, true));
    const qint64 owner = Bus.OwnerPid(FeedBusName);
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(owner));
    EXPECT_EQ(QFileInfo(program).fileName(), QStringLiteral("Teskarn"));
    // The start waits a moment for the name; on a very busy machine the next attempt links.
    EXPECT_TRUE(linkedAtOnce || Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_TRUE(Conversation->IsOpen());
    EXPECT_EQ(Events.back(), "open");
}

TEST_F(DBusDdeClientConvTest, ARequestThatTimesOutDeliversNothingAndKeepsTheLink)
{
    auto publisher = StartPublisher({"300"});
    ASSERT_TRUE(Conversation->SetLink("Teskarn", "Teskarn"));
    // A stopped publisher still owns its name but answers nothing.
    ASSERT_EQ(::kill(static_cast<pid_t>(publisher->Pid()), SIGSTOP), 0);
    EXPECT_TRUE(Conversation->SetItemName("azimuth"));
    EXPECT_TRUE(Conversation->IsOpen());
    EXPECT_EQ(Events, (std::vector<std::string>{"open"}));
    ASSERT_EQ(::kill(static_cast<pid_t>(publisher->Pid()), SIGCONT), 0);
    ASSERT_TRUE(publisher->WriteLine("301"));
    ASSERT_TRUE(RunEventsUntil([&] { return !Events.empty() && Events.back() == "item:301  "; }));
    EXPECT_TRUE(Conversation->IsOpen());
}

TEST_F(DBusDdeClientConvTest, ClosingNotifiesOnceAndStopsTheValues)
{
    auto publisher = StartPublisher({"10"});
    ASSERT_TRUE(Link());
    Conversation->CloseLink();
    Conversation->CloseLink();
    EXPECT_FALSE(Conversation->IsOpen());
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:10  ", "close"}));

    // A second conversation still linked shows when a value has gone round.
    std::vector<std::string> witnessEvents;
    auto witness = MakeConversation(witnessEvents);
    ASSERT_TRUE(witness->SetLink("Teskarn", "Teskarn") && witness->SetItemName("azimuth"));
    ASSERT_TRUE(publisher->WriteLine("11"));
    ASSERT_TRUE(RunEventsUntil([&] { return witnessEvents.back() == "item:11  "; }));
    EXPECT_EQ(Events.size(), 3u);
}

TEST_F(DBusDdeClientConvTest, AnUnknownItemDeliversNothing)
{
    auto publisher = StartPublisher({"20"});
    ASSERT_TRUE(Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_TRUE(Conversation->SetItemName("elevation"));
    EXPECT_EQ(Events, (std::vector<std::string>{"open"}));
}

}  // namespace
