// Match rules for the name's owner and its PropertiesChanged, and a GetAll whenever an owner appears.
#include "HeadingWatch.h"

#include <dbus/dbus.h>

#include <cmath>
#include <cstring>

#include "platform/DBusEventLoop.h"
#include "platform/DBusSessionBus.h"

namespace {

const char* const BusName = "org.tolvane.Tolvane";
const char* const ObjectPath = "/org/tolvane/Tolvane";
const char* const HeadingInterface = "org.tolvane.Heading";
constexpr int ConnectTimeoutMs = 2000;
constexpr int QueryTimeoutMs = 2000;

bool Is(const char* text, const char* expected)
{
    return text && std::strcmp(text, expected) == 0;
}

// Sends a call whose answer comes to `answered` on the event loop; null when it could not be sent.
DBusPendingCall* Ask(DBusConnection* connection, DBusMessage* call, DBusPendingCallNotifyFunction answered, void* data)
{
    DBusPendingCall* pending = nullptr;
    if (call && !dbus_connection_send_with_reply(connection, call, &pending, QueryTimeoutMs))
        pending = nullptr;
    if (call)
        dbus_message_unref(call);
    if (pending)
        dbus_pending_call_set_notify(pending, answered, data, nullptr);
    return pending;
}

// The answer of a finished call when it is a method return; the caller unrefs it.
DBusMessage* TakeReply(DBusPendingCall* pending)
{
    DBusMessage* reply = dbus_pending_call_steal_reply(pending);
    dbus_pending_call_unref(pending);
    if (reply && dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN) {
        dbus_message_unref(reply);
        return nullptr;
    }
    return reply;
}

}  // namespace

struct THeadingWatchHandlers {
    static DBusHandlerResult Filter(DBusConnection*, DBusMessage* message, void* data)
    {
        auto* watch = static_cast<THeadingWatch*>(data);
        if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_SIGNAL)
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        const char* sender = dbus_message_get_sender(message);
        if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
            watch->OwnerChanged({});
        } else if (dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged")) {
            const char* name = nullptr;
            const char* oldOwner = nullptr;
            const char* newOwner = nullptr;
            if (Is(sender, DBUS_SERVICE_DBUS) && dbus_message_has_signature(message, "sss") &&
                dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                                      DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
                Is(name, BusName))
                watch->OwnerChanged(newOwner);
        } else if (dbus_message_is_signal(message, DBUS_INTERFACE_PROPERTIES, "PropertiesChanged")) {
            // A signal sent straight to the bridge passes every match rule: the sender is checked here.
            DBusMessageIter arguments;
            const char* interface = nullptr;
            if (!watch->Owner.empty() && Is(sender, watch->Owner.c_str()) &&
                dbus_message_has_path(message, ObjectPath) && dbus_message_has_signature(message, "sa{sv}as") &&
                dbus_message_iter_init(message, &arguments)) {
                dbus_message_iter_get_basic(&arguments, &interface);
                if (Is(interface, HeadingInterface) && dbus_message_iter_next(&arguments))
                    watch->Take(&arguments);
            }
        }
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }

    static void OwnerAnswered(DBusPendingCall* pending, void* data)
    {
        auto* watch = static_cast<THeadingWatch*>(data);
        watch->OwnerQuery = nullptr;
        DBusMessage* reply = TakeReply(pending);
        if (!reply)
            return;  // nobody owns the name yet
        const char* owner = nullptr;
        // Later changes come as NameOwnerChanged after this answer, so it is the newest news.
        if (Is(dbus_message_get_sender(reply), DBUS_SERVICE_DBUS) && dbus_message_has_signature(reply, "s") &&
            dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &owner, DBUS_TYPE_INVALID))
            watch->OwnerChanged(owner);
        dbus_message_unref(reply);
    }

    static void PropertiesAnswered(DBusPendingCall* pending, void* data)
    {
        auto* watch = static_cast<THeadingWatch*>(data);
        watch->PropertiesQuery = nullptr;
        DBusMessage* reply = TakeReply(pending);
        if (!reply)
            return;
        DBusMessageIter arguments;
        if (!watch->Owner.empty() && Is(dbus_message_get_sender(reply), watch->Owner.c_str()) &&
            dbus_message_has_signature(reply, "a{sv}") && dbus_message_iter_init(reply, &arguments))
            watch->Take(&arguments);
        dbus_message_unref(reply);
    }
};

THeadingWatch::THeadingWatch(std::string busAddress) : BusAddress(std::move(busAddress)) {}

THeadingWatch::~THeadingWatch()
{
    Cancel(OwnerQuery);
    Cancel(PropertiesQuery);
    if (!Connection)
        return;
    dbus_connection_remove_filter(Connection, THeadingWatchHandlers::Filter, this);
    dbus_connection_close(Connection);
    Loop.reset();
    dbus_connection_unref(Connection);
}

bool THeadingWatch::Start()
{
    Connection = OpenSessionBus(BusAddress, ConnectTimeoutMs);
    if (!Connection)
        return false;
    Loop = std::make_unique<TDBusEventLoop>(Connection);
    dbus_connection_add_filter(Connection, THeadingWatchHandlers::Filter, this, nullptr);
    // Without an error argument the rules are sent, not waited for; the bus takes them before the query.
    dbus_bus_add_match(Connection,
                       "type='signal',sender='" DBUS_SERVICE_DBUS "',interface='" DBUS_INTERFACE_DBUS
                       "',member='NameOwnerChanged',arg0='org.tolvane.Tolvane'",
                       nullptr);
    dbus_bus_add_match(Connection,
                       "type='signal',sender='org.tolvane.Tolvane',path='/org/tolvane/Tolvane',interface='" DBUS_INTERFACE_PROPERTIES
                       "',member='PropertiesChanged',arg0='org.tolvane.Heading'",
                       nullptr);
    DBusMessage* call = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "GetNameOwner");
    if (call)
        dbus_message_append_args(call, DBUS_TYPE_STRING, &BusName, DBUS_TYPE_INVALID);
    OwnerQuery = Ask(Connection, call, THeadingWatchHandlers::OwnerAnswered, this);
    return true;
}

void THeadingWatch::OwnerChanged(const std::string& owner)
{
    if (owner == Owner)
        return;
    Owner = owner;
    ReadBack.reset();
    Cancel(PropertiesQuery);
    if (!Owner.empty())
        AskProperties();
}

void THeadingWatch::AskProperties()
{
    DBusMessage* call = dbus_message_new_method_call(Owner.c_str(), ObjectPath, DBUS_INTERFACE_PROPERTIES, "GetAll");
    if (call)
        dbus_message_append_args(call, DBUS_TYPE_STRING, &HeadingInterface, DBUS_TYPE_INVALID);
    PropertiesQuery = Ask(Connection, call, THeadingWatchHandlers::PropertiesAnswered, this);
}

std::optional<TRotctlProtocol::TReadBack> THeadingWatch::ReadProperties(DBusMessageIter* properties)
{
    std::optional<double> azimuth;
    std::optional<dbus_uint64_t> updated;
    std::optional<bool> known;
    DBusMessageIter entries;
    dbus_message_iter_recurse(properties, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entries)) {
        DBusMessageIter entry;
        DBusMessageIter value;
        const char* name = nullptr;
        dbus_message_iter_recurse(&entries, &entry);
        dbus_message_iter_get_basic(&entry, &name);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &value);
        const int type = dbus_message_iter_get_arg_type(&value);
        if (Is(name, "Azimuth")) {
            double number = 0;
            if (type != DBUS_TYPE_DOUBLE)
                return std::nullopt;
            dbus_message_iter_get_basic(&value, &number);
            azimuth = number;
        } else if (Is(name, "Updated")) {
            dbus_uint64_t time = 0;
            if (type != DBUS_TYPE_UINT64)
                return std::nullopt;
            dbus_message_iter_get_basic(&value, &time);
            updated = time;
        } else if (Is(name, "Known")) {
            dbus_bool_t flag = FALSE;
            if (type != DBUS_TYPE_BOOLEAN)
                return std::nullopt;
            dbus_message_iter_get_basic(&value, &flag);
            known = flag != FALSE;
        }
    }
    // Tolvane keeps 0 when there was never a reading, so even Known false brings an Azimuth in range.
    if (azimuth && (!std::isfinite(*azimuth) || *azimuth < 0 || *azimuth >= 360))
        return std::nullopt;
    TRotctlProtocol::TReadBack readBack{known, std::nullopt};
    if (azimuth && updated)
        readBack.Heading = TRotctlProtocol::THeading{*azimuth, *updated};
    else if (known.value_or(true))
        return std::nullopt;
    return readBack;
}

void THeadingWatch::Take(DBusMessageIter* properties)
{
    if (std::optional<TRotctlProtocol::TReadBack> readBack = ReadProperties(properties))
        ReadBack = std::move(readBack);
}

void THeadingWatch::Cancel(DBusPendingCall*& call)
{
    if (!call)
        return;
    dbus_pending_call_cancel(call);
    dbus_pending_call_unref(call);
    call = nullptr;
}
