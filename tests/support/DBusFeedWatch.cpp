// The feed on a private session bus, asked as Tolvane asks it.
#include "support/FeedWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "support/PrivateDesktop.h"

struct TFeedWatch::TState {
    TPrivateSessionBus Bus;
};

TFeedWatch::TFeedWatch() : State(std::make_unique<TState>()) {}

TFeedWatch::~TFeedWatch()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("feed-watch"));
}

bool TFeedWatch::IsReady() const
{
    return State->Bus.IsRunning();
}

std::string TFeedWatch::Address() const
{
    return State->Bus.BusAddress();
}

std::string TFeedWatch::Published()
{
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(State->Bus.BusAddress()), QStringLiteral("feed-watch"));
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
        QStringLiteral("dde.Teskarn"), QStringLiteral("/Teskarn"), QStringLiteral("dde.Topic"), QStringLiteral("Request"))
        << QStringLiteral("azimuth"));
    return reply.arguments().isEmpty() ? "(no answer)" : reply.arguments().first().toString().toStdString();
}

std::string TFeedWatch::SecondPublisherMessage()
{
    return "tolvane-bridge: dde.Teskarn is already owned\n";
}
