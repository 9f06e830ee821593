// The feed conversation on the D-Bus session bus: link, advise loop, requests and the close notice.
#include "platform/DBusDdeClientConv.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

#include <atomic>
#include <functional>

namespace DBusDdeClientConvDetail {

// Receives the publisher's Changed signal; QtDBus delivers signals only to slots.
class TChangeListener : public QObject {
    Q_OBJECT
public:
    std::function<void(const QString& item)> OnChanged;

public slots:
    void Changed(const QString& item)
    {
        if (OnChanged)
            OnChanged(item);
    }
};

}  // namespace DBusDdeClientConvDetail

namespace {
using DBusDdeClientConvDetail::TChangeListener;

const QString TopicInterface = QStringLiteral("dde.Topic");
constexpr int RequestTimeoutMs = 1000;

QString BusName(const std::string& service)
{
    return QStringLiteral("dde.") + QString::fromStdString(service);
}

// The watcher may be the one emitting when the conversation closes: it goes once that is over.
// Only our own handler is cut off; QtDBus needs the watcher's other signals to forget it.
struct TDeleteLater {
    void operator()(QDBusServiceWatcher* watcher) const
    {
        QObject::disconnect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, nullptr, nullptr);
        watcher->deleteLater();
    }
};
using TWatcherPointer = std::unique_ptr<QDBusServiceWatcher, TDeleteLater>;

QString ObjectPath(const std::string& topic)
{
    return QStringLiteral("/") + QString::fromStdString(topic);
}

// The state letter and start time of a process, from /proc; empty when there is no such process.
QByteArrayList ProcessStateAndStart(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    // The command name in parentheses may hold spaces; the fields after it do not.
    const QByteArrayList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return {};
    return {fields[0], fields[19]};
}

// A value is read as a C string, and control characters would confuse the readout and the box.
std::string CleanedValue(const QString& value)
{
    std::string text = value.toStdString();
    text = text.substr(0, text.find('\0'));
    for (char& character : text) {
        const auto code = static_cast<unsigned char>(character);
        if (code >= 1 && code <= 31)
            character = ' ';
    }
    return text;
}
}  // namespace

class TDBusDdeClientConv::TLink {
public:
    TLink(IDdeClientConv& owner, std::string busAddress) : Owner(owner), BusAddress(std::move(busAddress))
    {
        Listener.OnChanged = [this](const QString& item) { ItemChanged(item); };
    }

    ~TLink()
    {
        Close();
        if (!ConnectionName.isEmpty())
            QDBusConnection::disconnectFromBus(ConnectionName);
    }

    bool SetLink(const std::string& service, const std::string& topic)
    {
        Close();
        Service = service;
        Topic = topic;
        // A program started here claims the name in its own time: a later attempt links.
        const bool linked = Connect();
        if (!linked && !StartedProgramRunning())
            StartPublisher();
        if (!linked) {
            Item.clear();
            return false;
        }
        const unsigned conversation = Conversation;
        if (Owner.OnOpen)
            Owner.OnOpen();
        // As on opening a DDE conversation, an item already named is fetched once more.
        if (conversation == Conversation && !Item.empty())
            RequestAndDeliver();
        return IsOpen();
    }

    bool SetItemName(const std::string& item)
    {
        if (!IsOpen()) {
            Item.clear();
            return false;
        }
        Item = item;
        if (!Item.empty())
            RequestAndDeliver();
        return true;
    }

    void Close()
    {
        if (!Open)
            return;
        Open = false;
        ++Conversation;
        Bus().disconnect(OwnerName, ObjectPath(Topic), TopicInterface, QStringLiteral("Changed"), &Listener,
                         SLOT(Changed(QString)));
        Watcher.reset();
        OwnerName.clear();
        if (Owner.OnClose)
            Owner.OnClose();
    }

    bool IsOpen() const { return Open; }

private:
    // The bus connection, opened again if it was lost.
    QDBusConnection Bus()
    {
        if (!ConnectionName.isEmpty()) {
            QDBusConnection existing(ConnectionName);
            if (existing.isConnected())
                return existing;
            QDBusConnection::disconnectFromBus(ConnectionName);
        }
        static std::atomic<unsigned> connectionCount{0};
        ConnectionName = QStringLiteral("tolvane-feed-%1").arg(++connectionCount);
        const QString address = QString::fromStdString(BusAddress.empty()
                                                           ? qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").toStdString()
                                                           : BusAddress);
        // Each conversation has its own connection, so it follows the address it was made for.
        return address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName)
                                 : QDBusConnection::connectToBus(address, ConnectionName);
    }

    QString CurrentOwner()
    {
        QDBusConnection bus = Bus();
        if (!bus.isConnected() || !bus.interface())
            return {};
        const QDBusReply<QString> owner = bus.interface()->serviceOwner(BusName(Service));
        return owner.isValid() ? owner.value() : QString();
    }

    bool Connect()
    {
        const QString owner = CurrentOwner();
        if (owner.isEmpty())
            return false;
        QDBusConnection bus = Bus();
        Watcher.reset(new QDBusServiceWatcher(BusName(Service), bus, QDBusServiceWatcher::WatchForOwnerChange));
        QObject::connect(Watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                         [this](const QString&, const QString& oldOwner, const QString&) {
                             if (Open && oldOwner == OwnerName)
                                 Close();
                         });
        // Signals are taken from the owner linked with only; another owner means another conversation.
        if (!bus.connect(owner, ObjectPath(Topic), TopicInterface, QStringLiteral("Changed"), &Listener,
                         SLOT(Changed(QString)))) {
            Watcher.reset();
            return false;
        }
        // The owner may have left before the watcher was in place.
        if (CurrentOwner() != owner) {
            bus.disconnect(owner, ObjectPath(Topic), TopicInterface, QStringLiteral("Changed"), &Listener,
                           SLOT(Changed(QString)));
            Watcher.reset();
            return false;
        }
        OwnerName = owner;
        Open = true;
        ++Conversation;
        return true;
    }

    // Starts the program named by the service from PATH, detached, its output discarded.
    void StartPublisher()
    {
        const QString program = QString::fromStdString(Service);
        // Only a bare program name is looked up; a path would run whatever it points at.
        if (program.isEmpty() || program.contains(QLatin1Char('/')))
            return;
        const QString executable = QStandardPaths::findExecutable(program);
        if (executable.isEmpty())
            return;
        QProcess process;
        process.setProgram(executable);
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (!BusAddress.empty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(BusAddress));
            process.setProcessEnvironment(environment);
        }
        qint64 pid = 0;
        if (!process.startDetached(&pid))
            return;
        StartedPid = pid;
        StartedAt = ProcessStateAndStart(pid).value(1);
    }

    // The program started last is alive (not a zombie) and is still that program, not a later one
    // that was given its process number.
    bool StartedProgramRunning() const
    {
        if (StartedPid <= 0 || StartedAt.isEmpty())
            return false;
        const QByteArrayList now = ProcessStateAndStart(StartedPid);
        return now.size() == 2 && now[0] != "Z" && now[0] != "X" && now[1] == StartedAt;
    }

    void ItemChanged(const QString& item)
    {
        if (Open && !Item.empty() && item.toStdString() == Item)
            RequestAndDeliver();
    }

    // A request that fails or times out delivers nothing and leaves the conversation open.
    void RequestAndDeliver()
    {
        QDBusMessage request = QDBusMessage::createMethodCall(OwnerName, ObjectPath(Topic), TopicInterface,
                                                              QStringLiteral("Request"));
        request << QString::fromStdString(Item);
        // Blocking: no other notification runs in between, as with a synchronous DDE transaction.
        const QDBusMessage reply = Bus().call(request, QDBus::Block, RequestTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const QVariant value = reply.arguments().constFirst();
        if (value.metaType().id() != QMetaType::QString)
            return;
        if (Open && Owner.OnItemChange)
            Owner.OnItemChange(CleanedValue(value.toString()));
    }

    IDdeClientConv& Owner;
    const std::string BusAddress;
    QString ConnectionName;
    std::string Service;
    std::string Topic;
    std::string Item;
    QString OwnerName;
    bool Open = false;
    // Changes with every open and close, so a callback that re-linked is noticed.
    unsigned Conversation = 0;
    TChangeListener Listener;
    TWatcherPointer Watcher;
    qint64 StartedPid = 0;
    QByteArray StartedAt;
};

TDBusDdeClientConv::TDBusDdeClientConv(const std::string& busAddress)
    : Link(std::make_unique<TLink>(*this, busAddress))
{
}

TDBusDdeClientConv::~TDBusDdeClientConv()
{
    // The owner of the callbacks may already be going away: close without telling it.
    OnOpen = nullptr;
    OnClose = nullptr;
    OnItemChange = nullptr;
    Link.reset();
}

bool TDBusDdeClientConv::SetLink(const std::string& service, const std::string& topic)
{
    return Link->SetLink(service, topic);
}

bool TDBusDdeClientConv::SetItemName(const std::string& item)
{
    return Link->SetItemName(item);
}

void TDBusDdeClientConv::CloseLink()
{
    Link->Close();
}

bool TDBusDdeClientConv::IsOpen() const
{
    return Link->IsOpen();
}

std::unique_ptr<IDdeClientConv> CreateLinuxDdeClientConv()
{
    return std::make_unique<TDBusDdeClientConv>();
}

#include "DBusDdeClientConv.moc"
