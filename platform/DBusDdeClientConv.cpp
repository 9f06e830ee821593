// The feed conversation on the D-Bus session bus: link, advise loop, requests and the close notice.
#include "platform/DBusDdeClientConv.h"

#include <QFile>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

#include <dbus/dbus.h>

#include <memory>
#include <optional>

#include "platform/DBusEventLoop.h"

namespace {

const char* const TopicInterface = "dde.Topic";
constexpr int RequestTimeoutMs = 1000;

std::string BusName(const std::string& service)
{
    return "dde." + service;
}

std::string ObjectPath(const std::string& topic)
{
    return "/" + topic;
}

// The first argument of a message when it is a string; null otherwise.
const char* FirstString(DBusMessage* message)
{
    DBusMessageIter arguments;
    if (!dbus_message_iter_init(message, &arguments) || dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_STRING)
        return nullptr;
    const char* text = nullptr;
    dbus_message_iter_get_basic(&arguments, &text);
    return text;
}

// Calls `method` with one string and waits for the reply, handling nothing else meanwhile: the
// reply's first argument when it is a string, nothing when the call fails or times out.
std::optional<std::string> CallTakingString(DBusConnection* bus, const char* destination, const char* path,
                                            const char* interface, const char* method, const std::string& argument,
                                            int timeoutMs)
{
    DBusMessage* call = dbus_message_new_method_call(destination, path, interface, method);
    if (!call)
        return std::nullopt;
    const char* argumentText = argument.c_str();
    dbus_message_append_args(call, DBUS_TYPE_STRING, &argumentText, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, timeoutMs, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    if (!reply)
        return std::nullopt;
    const char* text = FirstString(reply);
    std::optional<std::string> result = text ? std::optional<std::string>(text) : std::nullopt;
    dbus_message_unref(reply);
    return result;
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
std::string CleanedValue(const char* value)
{
    std::string text = value;
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
    TLink(IDdeClientConv& owner, std::string busAddress) : Owner(owner), BusAddress(std::move(busAddress)) {}

    ~TLink()
    {
        Close();
        Disconnect();
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
        if (Connection && dbus_connection_get_is_connected(Connection)) {
            // Without an error the removal does not wait for the bus's answer.
            dbus_bus_remove_match(Connection, ChangedRule.c_str(), nullptr);
            dbus_bus_remove_match(Connection, OwnerRule.c_str(), nullptr);
            dbus_connection_flush(Connection);
        }
        ChangedRule.clear();
        OwnerRule.clear();
        OwnerName.clear();
        if (Owner.OnClose)
            Owner.OnClose();
    }

    bool IsOpen() const { return Open; }

private:
    // The bus connection, opened again if it was lost. It is private to this conversation and driven
    // by this thread's event loop: no bus thread stands between a notice and its request.
    DBusConnection* Bus()
    {
        if (Connection && dbus_connection_get_is_connected(Connection))
            return Connection;
        Disconnect();
        const std::string address = BusAddress.empty() ? qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").toStdString()
                                                        : BusAddress;
        DBusError error;
        dbus_error_init(&error);
        // Each conversation has its own connection, so it follows the address it was made for;
        // libdbus remembers the session address it read first, so only an empty one is left to it.
        DBusConnection* connection = address.empty() ? dbus_bus_get_private(DBUS_BUS_SESSION, &error)
                                                     : dbus_connection_open_private(address.c_str(), &error);
        if (connection && !address.empty() && !dbus_bus_register(connection, &error)) {
            dbus_connection_close(connection);
            dbus_connection_unref(connection);
            connection = nullptr;
        }
        dbus_error_free(&error);
        if (!connection)
            return nullptr;
        // A lost bus ends nothing but this connection; the program goes on.
        dbus_connection_set_exit_on_disconnect(connection, false);
        Connection = connection;
        Loop = std::make_unique<TDBusEventLoop>(Connection);
        dbus_connection_add_filter(Connection, Filter, this, nullptr);
        return Connection;
    }

    void Disconnect()
    {
        if (!Connection)
            return;
        DBusConnection* connection = Connection;
        Connection = nullptr;
        dbus_connection_remove_filter(connection, Filter, this);
        dbus_connection_close(connection);
        Loop.reset();
        dbus_connection_unref(connection);
    }

    std::string CurrentOwner()
    {
        DBusConnection* bus = Bus();
        const std::string name = BusName(Service);
        if (!bus || !dbus_validate_bus_name(name.c_str(), nullptr))
            return {};
        return CallTakingString(bus, DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "GetNameOwner", name,
                                DBUS_TIMEOUT_USE_DEFAULT)
            .value_or(std::string());
    }

    // Adds a match rule and waits for the bus to accept it, so nothing it matches is missed after.
    static bool AddMatch(DBusConnection* bus, const std::string& rule)
    {
        DBusError error;
        dbus_error_init(&error);
        dbus_bus_add_match(bus, rule.c_str(), &error);
        const bool added = !dbus_error_is_set(&error);
        dbus_error_free(&error);
        return added;
    }

    bool Connect()
    {
        const std::string owner = CurrentOwner();
        const std::string path = ObjectPath(Topic);
        if (owner.empty() || !dbus_validate_path(path.c_str(), nullptr))
            return false;
        DBusConnection* bus = Bus();
        const std::string ownerRule = "type='signal',sender='" DBUS_SERVICE_DBUS "',interface='" DBUS_INTERFACE_DBUS
                                      "',member='NameOwnerChanged',arg0='" + BusName(Service) + "'";
        // Signals are taken from the owner linked with only; another owner means another conversation.
        const std::string changedRule = "type='signal',sender='" + owner + "',path='" + path + "',interface='" +
                                        TopicInterface + "',member='Changed'";
        if (!AddMatch(bus, ownerRule))
            return false;
        if (!AddMatch(bus, changedRule)) {
            dbus_bus_remove_match(bus, ownerRule.c_str(), nullptr);
            return false;
        }
        // The owner may have left before the watch was in place.
        if (CurrentOwner() != owner) {
            dbus_bus_remove_match(bus, changedRule.c_str(), nullptr);
            dbus_bus_remove_match(bus, ownerRule.c_str(), nullptr);
            return false;
        }
        OwnerRule = ownerRule;
        ChangedRule = changedRule;
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

    // Only notes what arrived: the handlers run from the event loop, one at a time, as they would with
    // QtDBus, so a handler that opens a dialog or links again never runs inside libdbus's dispatch.
    static DBusHandlerResult Filter(DBusConnection*, DBusMessage* message, void* data)
    {
        auto* link = static_cast<TLink*>(data);
        if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_SIGNAL || !link->Open)
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        // A bus that goes away takes the owner with it: the conversation closes, and a later link finds
        // the bus again.
        if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
            QMetaObject::invokeMethod(&link->Context, [link] {
                if (link->Open)
                    link->Close();
            }, Qt::QueuedConnection);
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        }
        const char* sender = dbus_message_get_sender(message);
        if (dbus_message_is_signal(message, TopicInterface, "Changed") && sender && link->OwnerName == sender &&
            dbus_message_has_path(message, ObjectPath(link->Topic).c_str())) {
            if (const char* item = FirstString(message))
                QMetaObject::invokeMethod(&link->Context, [link, changed = std::string(item)] { link->ItemChanged(changed); },
                                          Qt::QueuedConnection);
        } else if (dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged") && sender &&
                   qstrcmp(sender, DBUS_SERVICE_DBUS) == 0) {
            const char* name = nullptr;
            const char* oldOwner = nullptr;
            const char* newOwner = nullptr;
            if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                                      DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
                BusName(link->Service) == name)
                QMetaObject::invokeMethod(&link->Context, [link, left = std::string(oldOwner)] {
                    if (link->Open && left == link->OwnerName)
                        link->Close();
                }, Qt::QueuedConnection);
        }
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }

    void ItemChanged(const std::string& item)
    {
        if (Open && !Item.empty() && item == Item)
            RequestAndDeliver();
    }

    // A request that fails or times out delivers nothing and leaves the conversation open.
    void RequestAndDeliver()
    {
        DBusConnection* bus = Bus();
        const std::string path = ObjectPath(Topic);
        if (!bus || !dbus_validate_bus_name(OwnerName.c_str(), nullptr) || !dbus_validate_path(path.c_str(), nullptr) ||
            !dbus_validate_utf8(Item.c_str(), nullptr))
            return;
        // Blocking: no other notification runs in between, as with a synchronous DDE transaction.
        const std::optional<std::string> value =
            CallTakingString(bus, OwnerName.c_str(), path.c_str(), TopicInterface, "Request", Item, RequestTimeoutMs);
        if (value && Open && Owner.OnItemChange)
            Owner.OnItemChange(CleanedValue(value->c_str()));
    }

    IDdeClientConv& Owner;
    const std::string BusAddress;
    // Receives the queued calls; pending ones go with it.
    QObject Context;
    DBusConnection* Connection = nullptr;
    std::unique_ptr<TDBusEventLoop> Loop;
    std::string Service;
    std::string Topic;
    std::string Item;
    std::string OwnerName;
    std::string OwnerRule;
    std::string ChangedRule;
    bool Open = false;
    // Changes with every open and close, so a callback that re-linked is noticed.
    unsigned Conversation = 0;
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

std::unique_ptr<IDdeClientConv> CreateDdeClientConv()
{
    return std::make_unique<TDBusDdeClientConv>();
}
