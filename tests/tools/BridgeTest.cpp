// tolvane-bridge as a process: Hamlib's own client and daemon as the yardstick, hostile bytes, --allow.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/DBusHeadingPublisher.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

const std::string BridgePath = BuiltProgram("tolvane-bridge");

class BridgeTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Bridge.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("bridge-test"));
    }

    // Starts the bridge on a free port and returns that port, 0 when it did not come up.
    quint16 StartBridge(QStringList arguments = {})
    {
        Bridge = std::make_unique<TChildProcess>(BridgePath, arguments << QStringLiteral("--port") << QStringLiteral("0"));
        const std::optional<std::string> ready = Bridge->NextLine();
        if (!ready || ready->rfind("ready ", 0) != 0)
            return 0;
        return static_cast<quint16>(std::stoi(ready->substr(ready->rfind(' ') + 1)));
    }

    // The feed's current text, as Tolvane requests it.
    std::string Published()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(Bus.BusAddress()),
                                                            QStringLiteral("bridge-test"));
        const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
            QStringLiteral("dde.Teskarn"), QStringLiteral("/Teskarn"), QStringLiteral("dde.Topic"),
            QStringLiteral("Request")) << QStringLiteral("azimuth"));
        return reply.arguments().isEmpty() ? "(no answer)" : reply.arguments().first().toString().toStdString();
    }

    TPrivateSessionBus Bus;
    std::unique_ptr<TChildProcess> Bridge;
};

// A client connection whose answer is what arrives until the bridge has been quiet for `quietMs`.
struct TClient {
    QTcpSocket Socket;

    explicit TClient(quint16 port, const QHostAddress& from = QHostAddress::LocalHost,
                     const QHostAddress& to = QHostAddress::LocalHost)
    {
        Socket.bind(from);
        Socket.connectToHost(to, port);
        Socket.waitForConnected(5000);
    }

    std::string Say(const std::string& bytes, int quietMs = 200)
    {
        Socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        Socket.flush();
        std::string answer;
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < quietMs) {
            Socket.waitForReadyRead(10);
            if (Socket.bytesAvailable() > 0) {
                answer += Socket.readAll().toStdString();
                quiet.restart();
            } else if (Socket.state() != QAbstractSocket::ConnectedState) {
                break;
            }
        }
        return answer;
    }

    bool IsOpen() { return Socket.state() == QAbstractSocket::ConnectedState; }
};

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Numbers such as 123.45 or -7.59 become N.NN: the form of an answer without its values.
std::string Form(const std::string& answer)
{
    return QString::fromStdString(answer)
        .replace(QRegularExpression(QStringLiteral("-?[0-9]+\\.[0-9]{2}\\b")), QStringLiteral("N.NN"))
        .toStdString();
}

}  // namespace

TEST_F(BridgeTest, HamlibsNetworkClientSetsReadsBackAndIsRefusedStop)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    TChildProcess rotctl("rotctl", {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port), "P", "123.4", "10", "p", "S"});
    ASSERT_TRUE(rotctl.HasStarted() && rotctl.WaitForExit(10000)) << "is libhamlib-utils installed?";
    // rotctl prints its refusal, with a trace of its own, after the position.
    const std::string output = rotctl.Output() + rotctl.ErrorOutput();
    EXPECT_EQ(output.rfind("123.40\n10.00\n", 0), 0u) << output;
    EXPECT_TRUE(output.find("stop: error") != std::string::npos && output.find("Feature not available") != std::string::npos)
        << output;
    EXPECT_NE(rotctl.ExitCode(), 0);
    EXPECT_EQ(Published(), "123.4\r\n");
}

TEST_F(BridgeTest, HamlibsClientReadsTheHeadingTolvanePublishesAndTheCommandedOneWithout)
{
    TDBusHeadingPublisher publisher;
    bool known = true;
    const auto read = [&] {
        if (known)
            publisher.Publish(123.45, GetTickCount());
    };
    read();
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    TClient client(port);
    // The test's event loop answers the bridge's question, and each reading comes as Tolvane sends them.
    const auto sourceBecomes = [&](const std::string& source) {
        return RunEventsUntil([&] {
            read();
            return client.Say("_\n", 50) == "Tolvane bridge, " + source + "\n";
        });
    };
    ASSERT_TRUE(sourceBecomes("position read from the rotator"));
    const auto position = [&] {
        read();
        TChildProcess rotctl("rotctl", {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port), "P", "10", "20", "p"});
        EXPECT_TRUE(rotctl.HasStarted() && rotctl.WaitForExit(2000)) << "is libhamlib-utils installed?";
        return rotctl.Output();
    };
    EXPECT_EQ(position(), "123.45\n20.00\n");

    known = false;
    publisher.Withdraw();
    ASSERT_TRUE(sourceBecomes("commanded position"));
    EXPECT_EQ(position(), "10.00\n20.00\n");
}

TEST_F(BridgeTest, HamlibsClientGetsATimeOutWhileTolvaneReadsBackWithoutAHeading)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    // Tolvane as it reads back: it owns the name and says whether it knows the heading.
    QDBusConnection tolvane = QDBusConnection::connectToBus(QString::fromStdString(Bus.BusAddress()),
                                                            QStringLiteral("bridge-test"));
    ASSERT_TRUE(tolvane.registerService(QStringLiteral("org.tolvane.Tolvane")));
    const auto say = [&](double azimuth, qulonglong updated, bool known) {
        QDBusMessage changed = QDBusMessage::createSignal(QStringLiteral("/org/tolvane/Tolvane"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.tolvane.Heading")
                << QVariantMap{{"Azimuth", azimuth}, {"Updated", updated}, {"Known", known}} << QStringList();
        tolvane.send(changed);
    };
    TClient client(port);
    ASSERT_EQ(client.Say("P 10 20\n"), "RPRT 0\n");
    ASSERT_TRUE(RunEventsUntil([&] {
        say(0, 0, false);
        return client.Say("p\n", 50) == "RPRT -5\n";
    }));
    TChildProcess rotctl("rotctl", {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port), "p"});
    ASSERT_TRUE(rotctl.HasStarted() && rotctl.WaitForExit(5000)) << "is libhamlib-utils installed?";
    // rotctl names Hamlib's error, with a trace of its own.
    const std::string output = rotctl.Output() + rotctl.ErrorOutput();
    EXPECT_TRUE(output.find("get_pos: error") != std::string::npos &&
                output.find("Communication timed out") != std::string::npos)
        << output;
    EXPECT_NE(rotctl.ExitCode(), 0);

    ASSERT_TRUE(RunEventsUntil([&] {
        say(123.45, GetTickCount(), true);
        return client.Say("p\n", 50) == "123.45\n20.00\n";
    }));
}

TEST_F(BridgeTest, GpredictsConversationGetsAnswersOfTheDummyDaemonsForm)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    std::unique_ptr<TChildProcess> rotctld;
    quint16 daemonPort = 0;
    for (int attempt = 0; attempt < 5 && daemonPort == 0; ++attempt) {
        daemonPort = FreePort();
        rotctld = std::make_unique<TChildProcess>("rotctld", QStringList{"-m", "1", "-t", QString::number(daemonPort)});
        ASSERT_TRUE(rotctld->HasStarted()) << "is libhamlib-utils installed?";
        if (rotctld->WaitForExit(500))
            daemonPort = 0;  // the port was taken meanwhile
    }
    ASSERT_NE(daemonPort, 0);
    TClient ours(port);
    TClient dummy(daemonPort);
    for (int round = 0; round < 3; ++round) {
        // gpredict sends its target with two decimals, LF-ended, then polls.
        EXPECT_EQ(ours.Say("P 123.45 10.00\n"), "RPRT 0\n");
        EXPECT_EQ(dummy.Say("P 123.45 10.00\n"), "RPRT 0\n");
        const std::string position = ours.Say("p\n");
        EXPECT_EQ(position, "123.45\n10.00\n");
        EXPECT_EQ(Form(position), Form(dummy.Say("p\n")));
    }
}

TEST_F(BridgeTest, BadInputIsRefusedAndPublishesNothing)
{
    const quint16 port = StartBridge();
    ASSERT_NE(port, 0) << Bridge->ErrorOutput();
    TClient client(port);
    ASSERT_EQ(client.Say("P 42 0\n"), "RPRT 0\n");
    for (const std::string& line : std::vector<std::string>{"Z\n", "P\n", "P 10\n", "P ten 0\n", "P nan 0\n", "P inf 0\n", "P 721 0\n",
                                   "P -361 0\n", std::string("\x00\xff\x1b[2J P 1 1\n", 13)}) {
        EXPECT_EQ(client.Say(line), "RPRT -1\n") << line;
        EXPECT_EQ(client.Say("p\n"), "42.00\n0.00\n") << "after " << line;
    }
    EXPECT_EQ(Published(), "42\r\n");

    // Over 1 KiB without a line end closes that client, and nobody else.
    TClient other(port);
    client.Say(std::string(1100, 'P'));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(other.Say("P 43 0\n"), "RPRT 0\n");
    EXPECT_EQ(Published(), "43\r\n");
    EXPECT_TRUE(Bridge->IsRunning());
}

TEST_F(BridgeTest, AnAllowListNeverLocksOutThisComputer)
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
        TClient client(port, QHostAddress(QString::fromLatin1(row.From)), QHostAddress(QString::fromLatin1(row.To)));
        EXPECT_EQ(client.Say("p\n"), "0.00\n0.00\n") << row.Arguments.join(QLatin1Char(' ')).toStdString() << " from " << row.From;
        // An allow-list is the limit the warning asks for.
        EXPECT_EQ(Bridge->ErrorOutput(), "") << row.Arguments.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(BridgeTest, OnlyOnePublisherOwnsTheFeedAndListeningBeyondLoopbackWarns)
{
    ASSERT_NE(StartBridge({"--listen", "0.0.0.0"}), 0) << Bridge->ErrorOutput();
    EXPECT_NE(Bridge->ErrorOutput().find("warning: listening on 0.0.0.0"), std::string::npos) << Bridge->ErrorOutput();

    TChildProcess second(BridgePath, {"--port", "0"});
    ASSERT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_EQ(second.ErrorOutput(), "tolvane-bridge: dde.Teskarn is already owned\n");
}
