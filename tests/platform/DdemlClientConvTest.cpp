// The DDEML feed conversation against the Teskarn stand-in, on Qt's event loop as in the program.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <windows.h>

#include <ddeml.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/DdeClientConv.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

namespace {

HDDEDATA CALLBACK IgnoreEverything(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

// A copy the conversation started has no input to read "quit" from: it is told over DDE.
bool TellServerToQuit()
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, IgnoreEverything, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    const HSZ name = DdeCreateStringHandleA(instance, "Teskarn", CP_WINANSI);
    bool told = false;
    if (const HCONV conversation = DdeConnect(instance, name, name, nullptr)) {
        char command[] = "quit";
        told = DdeClientTransaction(reinterpret_cast<LPBYTE>(command), sizeof command, conversation, nullptr, 0,
                                    XTYP_EXECUTE, 1000, nullptr) != nullptr;
        DdeDisconnect(conversation);
    }
    DdeFreeStringHandle(instance, name);
    DdeUninitialize(instance);
    return told;
}

class DdemlClientConvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EmptyFolder.isValid());
        Conversation = MakeConversation(Events);
    }

    // Records every notification in order: "open", "close", "item:<text>".
    static std::unique_ptr<IDdeClientConv> MakeConversation(std::vector<std::string>& events)
    {
        auto conversation = CreateDdeClientConv();
        conversation->OnOpen = [&events] { events.push_back("open"); };
        conversation->OnClose = [&events] { events.push_back("close"); };
        conversation->OnItemChange = [&events](const std::string& text) { events.push_back("item:" + text); };
        return conversation;
    }

    std::unique_ptr<TChildProcess> StartServer(const QStringList& arguments = {})
    {
        auto server = std::make_unique<TChildProcess>(BuiltProgram("teskarn-dde"), arguments);
        // The server's name is registered by a message to every DDE window, ours included.
        EXPECT_TRUE(RunEventsUntil([&] { return server->WaitForOutput("ready", 0); })) << server->ErrorOutput();
        return server;
    }

    bool Link() { return Conversation->SetLink("Teskarn", "Teskarn") && Conversation->SetItemName("azimuth"); }

    bool WaitForEvents(std::size_t count) { return RunEventsUntil([&] { return Events.size() >= count; }); }

    QTemporaryDir EmptyFolder;
    // Nothing named Teskarn can be started unless a test puts its folder on the path; WinExec looks in
    // the test program's folder first, where teskarn-dde is not named so.
    TScopedEnvironment Path{"PATH", QDir::toNativeSeparators(EmptyFolder.path()).toStdString()};
    std::vector<std::string> Events;
    std::unique_ptr<IDdeClientConv> Conversation;
};

TEST_F(DdemlClientConvTest, LinkFailsWhenNobodyServesAndNothingCanBeStarted)
{
    EXPECT_FALSE(Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_FALSE(Conversation->IsOpen());
    EXPECT_FALSE(Conversation->SetItemName("azimuth"));
    EXPECT_TRUE(Events.empty());
}

struct TValueRow {
    const char* Name;
    const char* Published;  // as the stand-in's --raw takes it
    std::string Delivered;
};

void PrintTo(const TValueRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TValueRow ValueRows[] = {
    {"DigitsAndLineEnd", "235\\r\\n", "235  "},
    {"ControlCharactersBecomeSpaces", "1\\t2\\x1f\\r\\n", "1 2   "},
    {"TextEndsAtItsFirstNul", "12\\x0034", "12"},
    {"LongValueIsCut", nullptr, std::string(4096, '7')},
};

class DdemlValueRows : public DdemlClientConvTest, public ::testing::WithParamInterface<TValueRow> {};

TEST_P(DdemlValueRows, ArriveAsTheItemsText)
{
    const QString published = GetParam().Published ? QString::fromLatin1(GetParam().Published)
                                                    : QString(5000, QLatin1Char('7'));
    auto server = StartServer({QStringLiteral("--raw"), published});
    ASSERT_TRUE(Link());
    // Delivered before SetItemName returns, with no event loop in between.
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:" + GetParam().Delivered}));
}

INSTANTIATE_TEST_SUITE_P(DdemlClientConv, DdemlValueRows, ::testing::ValuesIn(ValueRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DdemlClientConvTest, EveryPublishedValueIsDeliveredEvenWhenRepeated)
{
    auto server = StartServer();
    ASSERT_TRUE(Link());
    ASSERT_TRUE(server->WriteLine("235"));
    ASSERT_TRUE(WaitForEvents(3));
    ASSERT_TRUE(server->WriteLine("235"));
    ASSERT_TRUE(WaitForEvents(4));
    ASSERT_TRUE(server->WriteLine("12.5"));
    ASSERT_TRUE(WaitForEvents(5));
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:", "item:235  ", "item:235  ", "item:12.5  "}));
}

TEST_F(DdemlClientConvTest, ServerLeavingClosesTheLinkAndALaterLinkFindsItAgain)
{
    auto server = StartServer({QStringLiteral("100")});
    ASSERT_TRUE(Link());
    ASSERT_TRUE(server->WriteLine("quit"));
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:100  ", "close"}));
    EXPECT_FALSE(Conversation->IsOpen());
    ASSERT_TRUE(server->WaitForExit(5000));

    EXPECT_FALSE(Conversation->SetLink("Teskarn", "Teskarn"));
    server = StartServer({QStringLiteral("101")});
    Events.clear();
    ASSERT_TRUE(Link());
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:101  "}));
    ASSERT_TRUE(server->WriteLine("102"));
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_EQ(Events.back(), "item:102  ");
}

TEST_F(DdemlClientConvTest, LinkingAgainWhileOpenClosesFirstAndDeliversTheKnownItemTwice)
{
    auto server = StartServer({QStringLiteral("200")});
    ASSERT_TRUE(Link());
    Events.clear();
    ASSERT_TRUE(Link());
    EXPECT_EQ(Events, (std::vector<std::string>{"close", "open", "item:200  ", "item:200  "}));
    // The new conversation's advise loop works.
    ASSERT_TRUE(server->WriteLine("201"));
    ASSERT_TRUE(WaitForEvents(5));
    EXPECT_EQ(Events.back(), "item:201  ");
}

TEST_F(DdemlClientConvTest, StartsTheProgramNamedByTheServiceFromPath)
{
    TScopedEnvironment path("PATH", QDir::toNativeSeparators(QString::fromStdString(BuiltProgramsFolder() + "/teskarn")).toStdString());
    // WinExec returns before a console program has registered: the next attempt, a second later as in
    // the program, links.
    bool linked = Conversation->SetLink("Teskarn", "Teskarn");
    for (int attempt = 0; !linked && attempt < 5; ++attempt) {
        WaitFor(1000);
        linked = Conversation->SetLink("Teskarn", "Teskarn");
    }
    EXPECT_TRUE(linked);
    EXPECT_TRUE(Conversation->IsOpen());
    EXPECT_TRUE(Conversation->SetItemName("azimuth"));
    EXPECT_EQ(Events.back(), "item:");
    Conversation->CloseLink();
    EXPECT_TRUE(TellServerToQuit());
    // A slow start may have let an attempt start a second copy: none may serve the next test.
    for (int copy = 0; copy < 5 && RunEventsUntil(TellServerToQuit, 300); ++copy)
        WaitFor(100);
}

TEST_F(DdemlClientConvTest, ClosingNotifiesOnceAndStopsTheValues)
{
    auto server = StartServer({QStringLiteral("10")});
    ASSERT_TRUE(Link());
    Conversation->CloseLink();
    Conversation->CloseLink();
    EXPECT_FALSE(Conversation->IsOpen());
    EXPECT_EQ(Events, (std::vector<std::string>{"open", "item:10  ", "close"}));

    ASSERT_TRUE(server->WriteLine("11"));
    ASSERT_TRUE(server->SkipPast("published \"11\\r\\n\"")) << server->Output();
    WaitFor(300);
    EXPECT_EQ(Events.size(), 3u);
}

TEST_F(DdemlClientConvTest, AnUnknownItemDeliversNothing)
{
    auto server = StartServer({QStringLiteral("20")});
    ASSERT_TRUE(Conversation->SetLink("Teskarn", "Teskarn"));
    EXPECT_TRUE(Conversation->SetItemName("elevation"));
    EXPECT_EQ(Events, (std::vector<std::string>{"open"}));
}

}  // namespace
