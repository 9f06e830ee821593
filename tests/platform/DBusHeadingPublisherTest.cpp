// The heading publisher on a private session bus, read as another program of the desktop reads it.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/DBusHeadingPublisher.h"
#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {

const QString Name = QStringLiteral("org.tolvane.Tolvane");
const QString Path = QStringLiteral("/org/tolvane/Tolvane");
const QString Heading = QStringLiteral("org.tolvane.Heading");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString ClientName = QStringLiteral("heading-test");

// Every PropertiesChanged received, in order.
class TChangeRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QDBusMessage> Signals;
public slots:
    void Changed(const QDBusMessage& message) { Signals.push_back(message); }
};

// The a{sv} of GetAll or PropertiesChanged.
QVariantMap Map(const QVariant& argument)
{
    return qdbus_cast<QVariantMap>(argument.value<QDBusArgument>());
}

class DBusHeadingPublisherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Bus.IsRunning()) << "dbus-daemon did not start"; }
    void TearDown() override { QDBusConnection::disconnectFromBus(ClientName); }

    QDBusConnection Client() { return QDBusConnection::connectToBus(QString::fromStdString(Bus.BusAddress()), ClientName); }

    // A Properties call; the publisher answers on this thread, so the event loop runs meanwhile.
    QDBusMessage Call(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(Name, Path, Properties, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = Client().asyncCall(call, 5000);
        RunEventsUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    QVariant Get(const QString& property)
    {
        const QDBusMessage reply = Call(QStringLiteral("Get"), {Heading, property});
        return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
    }

    QString OwnerName() { return Client().interface()->serviceOwner(Name).value(); }

    TPrivateSessionBus Bus;
};

}  // namespace

TEST_F(DBusHeadingPublisherTest, PropertiesAnswerTheLastReadingAndEveryReadingIsSignalled)
{
    TChangeRecorder recorder;
    ASSERT_TRUE(Client().connect(QString(), Path, Properties, QStringLiteral("PropertiesChanged"), &recorder,
                                 SLOT(Changed(QDBusMessage))));
    TDBusHeadingPublisher publisher;
    publisher.Publish(123.4, 5000);
    EXPECT_EQ(Bus.OwnerPid(Name.toStdString()), getpid());
    publisher.Publish(360, 5500);  // out of range: not published
    publisher.Publish(200.25, 6000);
    ASSERT_TRUE(RunEventsUntil([&] { return recorder.Signals.size() >= 2; }));
    WaitFor(100);
    ASSERT_EQ(recorder.Signals.size(), 2u);
    const QVariantMap expected[] = {{{"Azimuth", 123.4}, {"Updated", qulonglong(5000)}, {"Known", true}},
                                    {{"Azimuth", 200.25}, {"Updated", qulonglong(6000)}, {"Known", true}}};
    for (std::size_t i = 0; i < 2; ++i) {
        const QVariantList arguments = recorder.Signals[i].arguments();
        ASSERT_EQ(arguments.size(), 3);
        EXPECT_EQ(arguments[0].toString(), Heading);
        EXPECT_EQ(Map(arguments[1]), expected[i]);
        EXPECT_EQ(arguments[2].typeId(), QMetaType::QStringList);
        EXPECT_TRUE(arguments[2].toStringList().isEmpty());
    }

    const QVariant azimuth = Get(QStringLiteral("Azimuth"));
    EXPECT_EQ(azimuth.typeId(), QMetaType::Double);
    EXPECT_EQ(azimuth.toDouble(), 200.25);
    const QVariant updated = Get(QStringLiteral("Updated"));
    EXPECT_EQ(updated.typeId(), QMetaType::ULongLong);
    EXPECT_EQ(updated.toULongLong(), 6000u);
    const QDBusMessage all = Call(QStringLiteral("GetAll"), {Heading});
    ASSERT_EQ(all.signature(), QStringLiteral("a{sv}")) << all.errorMessage().toStdString();
    EXPECT_EQ(Map(all.arguments().first()), expected[1]);

    const struct {
        QString Method;
        QVariantList Arguments;
        const char* Error;
    } refused[] = {
        {QStringLiteral("Set"), {Heading, QStringLiteral("Azimuth"), QVariant::fromValue(QDBusVariant(10.0))},
         "org.freedesktop.DBus.Error.PropertyReadOnly"},
        {QStringLiteral("Get"), {Heading, QStringLiteral("Elevation")}, "org.freedesktop.DBus.Error.UnknownProperty"},
        {QStringLiteral("GetAll"), {QStringLiteral("org.example.Other")}, "org.freedesktop.DBus.Error.UnknownInterface"},
        {QStringLiteral("Get"), {Heading}, "org.freedesktop.DBus.Error.InvalidArgs"},
    };
    for (const auto& row : refused) {
        const QDBusMessage reply = Call(row.Method, row.Arguments);
        EXPECT_EQ(reply.errorName().toStdString(), row.Error) << row.Method.toStdString();
    }
    EXPECT_EQ(Get(QStringLiteral("Azimuth")).toDouble(), 200.25);
}

TEST_F(DBusHeadingPublisherTest, AHeadingReadBackButUnknownKeepsTheNameAndTheLastReading)
{
    TChangeRecorder recorder;
    ASSERT_TRUE(Client().connect(QString(), Path, Properties, QStringLiteral("PropertiesChanged"), &recorder,
                                 SLOT(Changed(QDBusMessage))));
    TDBusHeadingPublisher publisher;
    const struct {
        const char* Name;
        std::optional<double> Reading;  // nothing: the controller fell silent
        QVariantMap Expected;
    } rows[] = {
        {"read back, nothing read yet", std::nullopt, {{"Azimuth", 0.0}, {"Updated", qulonglong(0)}, {"Known", false}}},
        {"a reading", 45.5, {{"Azimuth", 45.5}, {"Updated", qulonglong(700)}, {"Known", true}}},
        {"silent again", std::nullopt, {{"Azimuth", 45.5}, {"Updated", qulonglong(700)}, {"Known", false}}},
    };
    for (const auto& row : rows) {
        const std::size_t before = recorder.Signals.size();
        if (row.Reading)
            publisher.Publish(*row.Reading, 700);
        else
            publisher.PublishUnknown();
        EXPECT_EQ(Bus.OwnerPid(Name.toStdString()), getpid()) << row.Name;
        ASSERT_TRUE(RunEventsUntil([&] { return recorder.Signals.size() > before; })) << row.Name;
        EXPECT_EQ(Map(recorder.Signals.back().arguments().value(1)), row.Expected) << row.Name;
        const QDBusMessage all = Call(QStringLiteral("GetAll"), {Heading});
        EXPECT_EQ(Map(all.arguments().value(0)), row.Expected) << row.Name;
        EXPECT_EQ(Get(QStringLiteral("Known")).typeId(), QMetaType::Bool) << row.Name;
    }
    publisher.Withdraw();
    EXPECT_TRUE(Bus.WaitForOwner(Name.toStdString(), false));
}

TEST_F(DBusHeadingPublisherTest, WithdrawReleasesTheNameAndASecondPublisherTakesItOnlyThen)
{
    TDBusHeadingPublisher first;
    TDBusHeadingPublisher second;
    first.Publish(10, 1);
    const QString firstOwner = OwnerName();
    ASSERT_FALSE(firstOwner.isEmpty());
    second.Publish(20, 2);
    EXPECT_EQ(OwnerName(), firstOwner);
    EXPECT_EQ(Get(QStringLiteral("Azimuth")).toDouble(), 10);

    first.Withdraw();
    ASSERT_TRUE(Bus.WaitForOwner(Name.toStdString(), false));
    // Refused once, the second claims at a reading a moment later.
    ASSERT_TRUE(RunEventsUntil([&] {
        second.Publish(30, 3);
        return !OwnerName().isEmpty();
    }));
    EXPECT_NE(OwnerName(), firstOwner);
    first.Publish(40, 4);
    EXPECT_EQ(Get(QStringLiteral("Azimuth")).toDouble(), 30);
}

TEST_F(DBusHeadingPublisherTest, ABusThatGoesAwayIsLeftAndTheNextOneIsClaimed)
{
    TDBusHeadingPublisher publisher;
    publisher.Publish(10, 1);
    ASSERT_EQ(Bus.OwnerPid(Name.toStdString()), getpid());
    Bus.EndDaemon();
    publisher.Publish(11, 2);
    publisher.Publish(12, 3);

    TPrivateSessionBus next;
    ASSERT_TRUE(next.IsRunning());
    EXPECT_TRUE(RunEventsUntil([&] {
        publisher.Publish(13, 4);
        return next.OwnerPid(Name.toStdString()) == getpid();
    }));
}

#include "DBusHeadingPublisherTest.moc"
