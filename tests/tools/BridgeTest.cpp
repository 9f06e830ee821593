// tolvane-bridge as a process on Linux: Hamlib's own client and daemon as the yardstick, and the heading
// on the session bus.
#include <QDBusConnection>
#include <QDBusMessage>
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
#include "tools/BridgeFixture.h"

namespace {

class BridgeTest : public TBridgeFixture {
protected:
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("bridge-test")); }
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
    TBridgeClient client(port);
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
    QDBusConnection tolvane = QDBusConnection::connectToBus(QString::fromStdString(Feed.Address()),
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
    TBridgeClient client(port);
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
    TBridgeClient ours(port);
    TBridgeClient dummy(daemonPort);
    for (int round = 0; round < 3; ++round) {
        // gpredict sends its target with two decimals, LF-ended, then polls.
        EXPECT_EQ(ours.Say("P 123.45 10.00\n"), "RPRT 0\n");
        EXPECT_EQ(dummy.Say("P 123.45 10.00\n"), "RPRT 0\n");
        const std::string position = ours.Say("p\n");
        EXPECT_EQ(position, "123.45\n10.00\n");
        EXPECT_EQ(Form(position), Form(dummy.Say("p\n")));
    }
}

