// The bridge's heading watch on a private session bus: the publisher's readings followed, everything else ignored.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "HeadingWatch.h"
#include "platform/DBusHeadingPublisher.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

const QString Name = QStringLiteral("org.tolvane.Tolvane");
const QString Path = QStringLiteral("/org/tolvane/Tolvane");
const QString Heading = QStringLiteral("org.tolvane.Heading");

class HeadingWatchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Bus.IsRunning()) << "dbus-daemon did not start"; }
    void TearDown() override
    {
        for (const char* name : {"owner", "stranger"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
    }

    QDBusConnection Connect(const char* name)
    {
        return QDBusConnection::connectToBus(QString::fromStdString(Bus.BusAddress()), QString::fromLatin1(name));
    }

    // PropertiesChanged from `from`, broadcast and also sent straight to every connection on the bus.
    static void Signal(QDBusConnection from, const QString& interface, const QVariantMap& changed)
    {
        const QVariantList arguments{interface, changed, QStringList()};
        QDBusMessage broadcast = QDBusMessage::createSignal(Path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                            QStringLiteral("PropertiesChanged"));
        from.send(broadcast << arguments[0] << arguments[1] << arguments[2]);
        for (const QString& peer : from.interface()->registeredServiceNames().value()) {
            if (!peer.startsWith(QLatin1Char(':')) || peer == from.baseService())
                continue;
            QDBusMessage direct = QDBusMessage::createTargetedSignal(
                peer, Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
            from.send(direct << arguments[0] << arguments[1] << arguments[2]);
        }
    }

    static bool WaitForAzimuth(const THeadingWatch& watch, double azimuth)
    {
        return RunEventsUntil([&] { return watch.Latest() && watch.Latest()->Azimuth == azimuth; });
    }

    TPrivateSessionBus Bus;
};

}  // namespace

TEST_F(HeadingWatchTest, FollowsThePublisherFromItsPropertiesAndSignalsUntilItWithdraws)
{
    TDBusHeadingPublisher publisher;
    publisher.Publish(123.4, 5000);
    // Started after the publisher, the watch asks for the properties.
    THeadingWatch watch;
    ASSERT_TRUE(watch.Start());
    ASSERT_TRUE(WaitForAzimuth(watch, 123.4));
    EXPECT_EQ(watch.Latest()->UpdatedMs, 5000u);

    publisher.Publish(200.5, 6000);
    ASSERT_TRUE(WaitForAzimuth(watch, 200.5));
    EXPECT_EQ(watch.Latest()->UpdatedMs, 6000u);

    publisher.Withdraw();
    EXPECT_TRUE(RunEventsUntil([&] { return !watch.Latest(); }));
    publisher.Publish(210, 7000);
    EXPECT_TRUE(WaitForAzimuth(watch, 210));
}

TEST_F(HeadingWatchTest, IgnoresStrangersAndMalformedReadings)
{
    THeadingWatch watch;
    ASSERT_TRUE(watch.Start());
    QDBusConnection owner = Connect("owner");
    QDBusConnection stranger = Connect("stranger");
    // An owner that serves no properties: the watch's question gets an error, and nothing is taken.
    ASSERT_TRUE(owner.registerService(Name));
    Signal(owner, Heading, {{"Azimuth", 45.0}, {"Updated", qulonglong(1000)}});
    ASSERT_TRUE(WaitForAzimuth(watch, 45));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    // Each row would give another azimuth if it were taken.
    const struct {
        QDBusConnection* From;
        QString Interface;
        QVariantMap Changed;
    } rows[] = {
        {&stranger, Heading, {{"Azimuth", 91.0}, {"Updated", qulonglong(2000)}}},
        {&owner, QStringLiteral("org.example.Other"), {{"Azimuth", 92.0}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", QStringLiteral("93")}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", 94}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", 95.0}, {"Updated", 2000}}},
        {&owner, Heading, {{"Azimuth", 96.0}}},
        {&owner, Heading, {{"Azimuth", nan}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", infinity}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", 360.0}, {"Updated", qulonglong(2000)}}},
        {&owner, Heading, {{"Azimuth", -0.5}, {"Updated", qulonglong(2000)}}},
    };
    for (const auto& row : rows)
        Signal(*row.From, row.Interface, row.Changed);
    WaitFor(300);
    ASSERT_TRUE(watch.Latest());
    EXPECT_EQ(watch.Latest()->Azimuth, 45);
    EXPECT_EQ(watch.Latest()->UpdatedMs, 1000u);

    // The owner still counts; once it leaves, nobody does.
    Signal(owner, Heading, {{"Azimuth", 46.5}, {"Updated", qulonglong(3000)}});
    ASSERT_TRUE(WaitForAzimuth(watch, 46.5));
    ASSERT_TRUE(owner.unregisterService(Name));
    ASSERT_TRUE(RunEventsUntil([&] { return !watch.Latest(); }));
    Signal(owner, Heading, {{"Azimuth", 47.0}, {"Updated", qulonglong(4000)}});
    WaitFor(300);
    EXPECT_FALSE(watch.Latest());
}
