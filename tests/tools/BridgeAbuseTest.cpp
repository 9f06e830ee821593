// The bridge's defences on both platforms: hostile lines, a crowd, a flood, the allow-list, a second owner.
#include <QTcpSocket>

#include <memory>
#include <string>
#include <vector>

#include "tools/BridgeFixture.h"

namespace {

using BridgeAbuseTest = TBridgeFixture;

}  // namespace

TEST_F(BridgeAbuseTest, BadInputIsRefusedAndPublishesNothing)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    TBridgeClient client(port);
    ASSERT_EQ(client.Say("P 42 0\n"), "RPRT 0\n");
    for (const std::string& line : std::vector<std::string>{"Z\n", "P\n", "P 10\n", "P ten 0\n", "P nan 0\n", "P inf 0\n", "P 721 0\n",
                                   "P -361 0\n", std::string("\x00\xff\x1b[2J P 1 1\n", 13)}) {
        EXPECT_EQ(client.Say(line), "RPRT -1\n") << line;
        EXPECT_EQ(client.Say("p\n"), "42.00\n0.00\n") << "after " << line;
    }
    EXPECT_EQ(Published(), "42\r\n");

    // Over 1 KiB without a line end closes that client, and nobody else.
    TBridgeClient other(port);
    client.Say(std::string(1100, 'P'));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(other.Say("P 43 0\n"), "RPRT 0\n");
    EXPECT_EQ(Published(), "43\r\n");
    EXPECT_TRUE(Bridge->IsRunning());
}

TEST_F(BridgeAbuseTest, AnAllowListNeverLocksOutThisComputer)
{
    // Only loopback can be tried here: a refusal is the connection gate's test.
    const struct {
        QStringList Arguments;
        const char* From;
        const char* To;
    } rows[] = {
        {{"--allow", "192.0.2.0/24"}, "127.0.0.2", "127.0.0.1"},
        {{"--listen", "0.0.0.0", "--allow", "192.0.2.0/24"}, "127.0.0.1", "127.0.0.1"},
        {{"--listen", "::", "--allow", "2001:db8::/32"}, "::1", "::1"},
    };
    for (const auto& row : rows) {
        const quint16 port = StartBridge(row.Arguments);
        ASSERT_NE(port, 0) << Bridge->ErrorOutput();
        TBridgeClient client(port, QHostAddress(QString::fromLatin1(row.From)), QHostAddress(QString::fromLatin1(row.To)));
        EXPECT_EQ(client.Say("p\n"), "0.00\n0.00\n") << row.Arguments.join(QLatin1Char(' ')).toStdString() << " from " << row.From;
        // An allow-list is the limit the warning asks for.
        EXPECT_EQ(Bridge->ErrorOutput(), "") << row.Arguments.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(BridgeAbuseTest, OnlyOnePublisherOwnsTheFeedAndListeningBeyondLoopbackWarns)
{
    ASSERT_NE(StartBridge({"--listen", "0.0.0.0"}), 0) << Bridge->ErrorOutput();
    // Standard error need not arrive before the ready line.
    EXPECT_TRUE(RunEventsUntil([&] { return Bridge->ErrorOutput().find("warning: listening on 0.0.0.0") != std::string::npos; },
                               5000))
        << Bridge->ErrorOutput();

    TChildProcess second(BuiltProgram("tolvane-bridge"), {"--port", "0"});
    ASSERT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_EQ(second.ErrorOutput(), TFeedWatch::SecondPublisherMessage());
}

TEST_F(BridgeAbuseTest, ACrowdAHalfLineAndAFloodLeaveRoomForTheNextClient)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    const auto crowd = CrowdAndFlood(port);
    ASSERT_TRUE(crowd.back()->state() == QAbstractSocket::ConnectedState) << "the flooder did not get in";

    TBridgeClient late(port);
    EXPECT_EQ(late.Say("P 200 0\n", 500), "RPRT 0\n");
    EXPECT_EQ(late.Say("p\n"), "200.00\n0.00\n");
    EXPECT_TRUE(RunEventsUntil([&] { return Published() == "200\r\n"; }, 5000)) << Published();
    EXPECT_TRUE(Bridge->IsRunning());
}
