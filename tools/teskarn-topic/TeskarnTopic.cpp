// The publishing side of the azimuth feed, as Teskarn serves it.
#include "TeskarnTopic.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>

#include <cstdio>

namespace {
const QString ItemName = QStringLiteral("azimuth");
}  // namespace

TTeskarnTopic::TTeskarnTopic(const QString& program, const QString& service) : Program(program), Service(service)
{
    connect(&BusCheck, &QTimer::timeout, this, [this] {
        // Without its bus the publisher serves nobody; leaving frees the user from a stray process.
        if (!QDBusConnection::sessionBus().isConnected()) {
            std::fprintf(stderr, "%s: the session bus went away\n", qPrintable(Program));
            QCoreApplication::exit(1);
        }
    });
}

bool TTeskarnTopic::Serve()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "%s: no session bus: %s\n", qPrintable(Program), qPrintable(bus.lastError().message()));
        return false;
    }
    const QString path = QStringLiteral("/") + Service;
    if (!bus.registerObject(path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
        std::fprintf(stderr, "%s: cannot serve %s\n", qPrintable(Program), qPrintable(path));
        return false;
    }
    return true;
}

bool TTeskarnTopic::Claim()
{
    const QString name = QStringLiteral("dde.") + Service;
    // Only one publisher may own the feed; a second one leaves instead of waiting in line.
    const auto reply = QDBusConnection::sessionBus().interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        std::fprintf(stderr, "%s: %s is already owned\n", qPrintable(Program), qPrintable(name));
        return false;
    }
    BusCheck.start(500);
    return true;
}

void TTeskarnTopic::Publish(const QString& text)
{
    Text = text;
    emit Changed(ItemName);
}

QString TTeskarnTopic::Request(const QString& item)
{
    if (item != ItemName) {
        sendErrorReply(QStringLiteral("dde.Error.UnknownItem"), QStringLiteral("no item ") + item);
        return {};
    }
    return Text;
}
