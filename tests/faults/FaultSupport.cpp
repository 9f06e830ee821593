// A feed publisher that hangs or dies on request, and a thread's file access as an unprivileged user.
#include "faults/FaultSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMetaObject>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

constexpr uid_t NobodyUser = 65534;
constexpr gid_t NobodyGroup = 65534;

namespace FaultSupportDetail {

// The publisher's object /Teskarn; QtDBus exports its slots as the topic's methods.
class TPublisherTopic : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")
public:
    explicit TPublisherTopic(TMisbehavingPublisher& owner) : Owner(owner) {}

public slots:
    QString Request(const QString& item, const QDBusMessage& message)
    {
        Q_UNUSED(item);
        Owner.CountRequest();
        switch (Owner.CurrentMood()) {
        case TPublisherMood::Answer:
            return Owner.CurrentValue();
        case TPublisherMood::Hang:
            message.setDelayedReply(true);  // and never answer
            return {};
        case TPublisherMood::Crash:
            message.setDelayedReply(true);
            QMetaObject::invokeMethod(this, [this] { Owner.DropConnection(); }, Qt::QueuedConnection);
            return {};
        }
        return {};
    }

private:
    TMisbehavingPublisher& Owner;
};

}  // namespace FaultSupportDetail

TMisbehavingPublisher::TMisbehavingPublisher(const std::string& busAddress)
{
    static std::atomic<int> count{0};
    ConnectionName = QStringLiteral("fault-publisher-%1").arg(++count);
    Thread.start();
    Topic = std::make_unique<FaultSupportDetail::TPublisherTopic>(*this);
    Topic->moveToThread(&Thread);
    // Connected and registered from its own thread, where QtDBus then keeps the object's helpers.
    QMetaObject::invokeMethod(
        Topic.get(),
        [this, address = QString::fromStdString(busAddress)] {
            QDBusConnection bus = QDBusConnection::connectToBus(address, ConnectionName);
            OnBus = bus.isConnected() &&
                    bus.registerObject(QStringLiteral("/Teskarn"), Topic.get(),
                                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
                    bus.registerService(QStringLiteral("dde.Teskarn"));
        },
        Qt::BlockingQueuedConnection);
}

TMisbehavingPublisher::~TMisbehavingPublisher()
{
    // Off the bus and back to this thread before it goes, so QtDBus sees its end where it lives.
    QThread* here = QThread::currentThread();
    QMetaObject::invokeMethod(
        Topic.get(),
        [this, here] {
            DropConnection();
            Topic->moveToThread(here);
        },
        Qt::BlockingQueuedConnection);
    Topic.reset();
    Thread.quit();
    Thread.wait();
}

void TMisbehavingPublisher::SetValue(const QString& value)
{
    std::lock_guard<std::mutex> lock(ValueLock);
    Value = value;
}

QString TMisbehavingPublisher::CurrentValue()
{
    std::lock_guard<std::mutex> lock(ValueLock);
    return Value;
}

void TMisbehavingPublisher::Publish()
{
    QDBusMessage changed =
        QDBusMessage::createSignal(QStringLiteral("/Teskarn"), QStringLiteral("dde.Topic"), QStringLiteral("Changed"));
    changed << QStringLiteral("azimuth");
    QDBusConnection(ConnectionName).send(changed);
}

void TMisbehavingPublisher::DropConnection()
{
    if (OnBus.exchange(false))
        QDBusConnection::disconnectFromBus(ConnectionName);
}

TUnprivilegedFiles::TUnprivilegedFiles()
{
    // The group first: once the user is nobody, changing the group is no longer allowed.
    PreviousGroup = setfsgid(NobodyGroup);
    PreviousUser = setfsuid(NobodyUser);
}

TUnprivilegedFiles::~TUnprivilegedFiles()
{
    setfsuid(static_cast<uid_t>(PreviousUser));
    setfsgid(static_cast<gid_t>(PreviousGroup));
}

bool TUnprivilegedFiles::PermissionsEnforced()
{
    char path[] = "/tmp/tolvane-permission-probe-XXXXXX";
    const int created = mkstemp(path);
    if (created < 0)
        return false;
    close(created);
    chmod(path, 0);
    bool refused = false;
    {
        TUnprivilegedFiles asNobody;
        const int opened = open(path, O_RDONLY | O_CLOEXEC);
        refused = opened < 0;
        if (opened >= 0)
            close(opened);
    }
    unlink(path);
    return refused;
}

#include "FaultSupport.moc"
