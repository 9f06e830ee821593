// The bridge's heading watch on a private session bus: the publisher's readings followed, everything else ignored.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

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
        return RunEventsUntil([&] { return Reading(watch) && Reading(watch)->Azimuth == azimuth; });
    }

    static std::optional<TRotctlProtocol::THeading> Reading(const THeadingWatch& watch)
    {
        return watch.Latest() ? watch.Latest()->Heading : std::nullopt;
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
    EXPECT_EQ(Reading(watch)->UpdatedMs, 5000u);

    publisher.Publish(200.5, 6000);
    ASSERT_TRUE(WaitForAzimuth(watch, 200.5));
    EXPECT_EQ(Reading(watch)->UpdatedMs, 6000u);

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
        {&stranger, Heading, {{"Azimuth", 97.0}, {"Updated", qulonglong(2000)}, {"Known", true}}},
        {&stranger, Heading, {{"Known", false}}},
        {&owner, Heading, {{"Azimuth", 98.0}, {"Updated", qulonglong(2000)}, {"Known", QStringLiteral("true")}}},
        {&owner, Heading, {{"Azimuth", 99.0}, {"Updated", qulonglong(2000)}, {"Known", 1}}},
        {&owner, Heading, {{"Azimuth", 100.0}, {"Updated", qulonglong(2000)}, {"Known", QVariant::fromValue(uchar(1))}}},
        {&owner, Heading, {{"Azimuth", 101.0}, {"Updated", qulonglong(2000)}, {"Known", QVariant::fromValue(QDBusVariant(true))}}},
        {&owner, Heading, {{"Known", true}}},
        {&owner, Heading, {{"Azimuth", 102.0}, {"Known", true}}},
        {&owner, Heading, {{"Azimuth", 360.0}, {"Updated", qulonglong(2000)}, {"Known", false}}},
        {&owner, Heading, {{"Azimuth", nan}, {"Known", false}}},
        {&owner, Heading, {{"Azimuth", QStringLiteral("0")}, {"Updated", qulonglong(0)}, {"Known", false}}},
        {&owner, Heading, {{"Updated", 0}, {"Known", false}}},
    };
    for (const auto& row : rows)
        Signal(*row.From, row.Interface, row.Changed);
    WaitFor(300);
    ASSERT_TRUE(Reading(watch));
    EXPECT_EQ(Reading(watch)->Azimuth, 45);
    EXPECT_EQ(Reading(watch)->UpdatedMs, 1000u);
    EXPECT_FALSE(watch.Latest()->Known);

    // The owner still counts; once it leaves, nobody does.
    Signal(owner, Heading, {{"Azimuth", 46.5}, {"Updated", qulonglong(3000)}});
    ASSERT_TRUE(WaitForAzimuth(watch, 46.5));
    ASSERT_TRUE(owner.unregisterService(Name));
    ASSERT_TRUE(RunEventsUntil([&] { return !watch.Latest(); }));
    Signal(owner, Heading, {{"Azimuth", 47.0}, {"Updated", qulonglong(4000)}});
    WaitFor(300);
    EXPECT_FALSE(watch.Latest());
}

TEST_F(HeadingWatchTest, TakesWhetherTheOwnerKnowsAHeadingAndKeepsItsLastReading)
{
    THeadingWatch watch;
    ASSERT_TRUE(watch.Start());
    QDBusConnection owner = Connect("owner");
    ASSERT_TRUE(owner.registerService(Name));
    using THeading = TRotctlProtocol::THeading;
    // In order; each row differs from the one before, so that the watch is seen to take it.
    const struct {
        const char* Name;
        QVariantMap Changed;
        std::optional<bool> Known;
        std::optional<THeading> Reading;
    } rows[] = {
        {"known", {{"Azimuth", 45.0}, {"Updated", qulonglong(1000)}, {"Known", true}}, true, THeading{45, 1000}},
        {"unknown, last reading kept", {{"Azimuth", 45.0}, {"Updated", qulonglong(1000)}, {"Known", false}}, false,
         THeading{45, 1000}},
        {"known again", {{"Azimuth", 46.5}, {"Updated", qulonglong(2000)}, {"Known", true}}, true, THeading{46.5, 2000}},
        {"unknown, never a reading", {{"Azimuth", 0.0}, {"Updated", qulonglong(0)}, {"Known", false}}, false,
         THeading{0, 0}},
        {"older Tolvane: no Known", {{"Azimuth", 47.0}, {"Updated", qulonglong(3000)}}, std::nullopt, THeading{47, 3000}},
        {"unknown without the reading", {{"Known", false}}, false, std::nullopt},
        {"Known among other properties", {{"Azimuth", 48.0}, {"Updated", qulonglong(4000)}, {"Known", true}, {"Other", 1}},
         true, THeading{48, 4000}},
    };
    for (const auto& row : rows) {
        Signal(owner, Heading, row.Changed);
        EXPECT_TRUE(RunEventsUntil([&] {
            const auto& latest = watch.Latest();
            return latest && latest->Known == row.Known && latest->Heading.has_value() == row.Reading.has_value() &&
                   (!row.Reading ||
                    (latest->Heading->Azimuth == row.Reading->Azimuth && latest->Heading->UpdatedMs == row.Reading->UpdatedMs));
        })) << row.Name;
    }
    // A new owner starts from nothing: what the last one said is not its word.
    ASSERT_TRUE(owner.unregisterService(Name));
    EXPECT_TRUE(RunEventsUntil([&] { return !watch.Latest(); }));
}
