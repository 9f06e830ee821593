// The heading's bus name, object and properties, claimed and released as the reading comes and goes.
#include "platform/DBusHeadingPublisher.h"

#include <dbus/dbus.h>

#include <cmath>
#include <cstring>

#include "platform/Clock.h"
#include "platform/DBusEventLoop.h"
#include "platform/DBusSessionBus.h"

namespace {

const char* const BusName = "org.tolvane.Tolvane";
const char* const ObjectPath = "/org/tolvane/Tolvane";
const char* const HeadingInterface = "org.tolvane.Heading";
// The window waits for the bus this long at most, and only to connect or to claim the name.
constexpr int BlockingCallTimeoutMs = 500;

const char* const Introspection =
    DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE
    "<node>\n"
    " <interface name=\"org.tolvane.Heading\">\n"
    "  <property name=\"Azimuth\" type=\"d\" access=\"read\">"
    "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"true\"/></property>\n"
    "  <property name=\"Updated\" type=\"t\" access=\"read\">"
    "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"true\"/></property>\n"
    "  <property name=\"Known\" type=\"b\" access=\"read\">"
    "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"true\"/></property>\n"
    " </interface>\n"
    " <interface name=\"org.freedesktop.DBus.Properties\">\n"
    "  <method name=\"Get\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"property\" type=\"s\" direction=\"in\"/><arg type=\"v\" direction=\"out\"/></method>\n"
    "  <method name=\"GetAll\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg type=\"a{sv}\" direction=\"out\"/></method>\n"
    "  <method name=\"Set\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"property\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"in\"/></method>\n"
    "  <signal name=\"PropertiesChanged\"><arg name=\"interface\" type=\"s\"/>"
    "<arg name=\"changed\" type=\"a{sv}\"/><arg name=\"invalidated\" type=\"as\"/></signal>\n"
    " </interface>\n"
    " <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "  <method name=\"Introspect\"><arg type=\"s\" direction=\"out\"/></method>\n"
    " </interface>\n"
    "</node>\n";

bool Is(const char* text, const char* expected)
{
    return text && std::strcmp(text, expected) == 0;
}

void AppendVariant(DBusMessageIter* to, int type, const void* value)
{
    const char signature[] = {static_cast<char>(type), '\0'};
    DBusMessageIter variant;
    dbus_message_iter_open_container(to, DBUS_TYPE_VARIANT, signature, &variant);
    dbus_message_iter_append_basic(&variant, type, value);
    dbus_message_iter_close_container(to, &variant);
}

// The a{sv} of GetAll and PropertiesChanged.
void AppendProperties(DBusMessageIter* to, double azimuth, std::uint64_t updatedMs, bool known)
{
    const dbus_uint64_t updated = updatedMs;
    const dbus_bool_t isKnown = known;
    const struct {
        const char* Name;
        int Type;
        const void* Value;
    } properties[] = {{"Azimuth", DBUS_TYPE_DOUBLE, &azimuth},
                      {"Updated", DBUS_TYPE_UINT64, &updated},
                      {"Known", DBUS_TYPE_BOOLEAN, &isKnown}};
    DBusMessageIter dictionary;
    dbus_message_iter_open_container(to, DBUS_TYPE_ARRAY, "{sv}", &dictionary);
    for (const auto& property : properties) {
        DBusMessageIter entry;
        dbus_message_iter_open_container(&dictionary, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &property.Name);
        AppendVariant(&entry, property.Type, property.Value);
        dbus_message_iter_close_container(&dictionary, &entry);
    }
    dbus_message_iter_close_container(to, &dictionary);
}

// The name's owner asked for, without waiting longer than a moment.
bool RequestName(DBusConnection* connection)
{
    DBusMessage* call = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "RequestName");
    if (!call)
        return false;
    // Another Tolvane keeps the name; this one stays silent rather than wait in line.
    const dbus_uint32_t flags = DBUS_NAME_FLAG_DO_NOT_QUEUE;
    dbus_message_append_args(call, DBUS_TYPE_STRING, &BusName, DBUS_TYPE_UINT32, &flags, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, call, BlockingCallTimeoutMs, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    if (!reply)
        return false;
    dbus_uint32_t result = 0;
    const bool read = dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &result, DBUS_TYPE_INVALID);
    dbus_message_unref(reply);
    return read && (result == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER || result == DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER);
}

}  // namespace

struct TDBusHeadingPublisherHandlers {
    static DBusHandlerResult HandleMessage(DBusConnection*, DBusMessage* message, void* publisher)
    {
        if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        static_cast<TDBusHeadingPublisher*>(publisher)->Answer(message);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
};

TDBusHeadingPublisher::TDBusHeadingPublisher(std::string busAddress) : BusAddress(std::move(busAddress)) {}

TDBusHeadingPublisher::~TDBusHeadingPublisher()
{
    Disconnect();
}

void TDBusHeadingPublisher::Publish(double azimuth, std::uint64_t updatedMs)
{
    if (!std::isfinite(azimuth) || azimuth < 0 || azimuth >= 360)
        return;
    Azimuth = azimuth;
    UpdatedMs = updatedMs;
    Known = true;
    Announce();
}

void TDBusHeadingPublisher::PublishUnknown()
{
    // Readers of the azimuth and its time alone see a reading that only grows older.
    Known = false;
    Announce();
}

void TDBusHeadingPublisher::Announce()
{
    // A bus that went away took the name with it.
    if (Connection && !dbus_connection_get_is_connected(Connection))
        Disconnect();
    if (Claimed || Claim())
        SignalChange();
}

void TDBusHeadingPublisher::Withdraw()
{
    if (!Claimed)
        return;
    Claimed = false;
    if (!Connection || !dbus_connection_get_is_connected(Connection))
        return;
    // The answer tells nothing the window needs: the release is not waited for.
    DBusMessage* call = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "ReleaseName");
    if (!call)
        return;
    dbus_message_append_args(call, DBUS_TYPE_STRING, &BusName, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(call, true);
    dbus_connection_send(Connection, call, nullptr);
    dbus_message_unref(call);
}

bool TDBusHeadingPublisher::Claim()
{
    const std::uint64_t now = GetTickCount();
    if (FailedAt && now - *FailedAt < RetryMs)
        return false;
    if ((!Connection && !Connect()) || !RequestName(Connection)) {
        FailedAt = now;
        return false;
    }
    FailedAt.reset();
    Claimed = true;
    return true;
}

bool TDBusHeadingPublisher::Connect()
{
    Connection = OpenSessionBus(BusAddress, BlockingCallTimeoutMs);
    if (!Connection)
        return false;
    Loop = std::make_unique<TDBusEventLoop>(Connection);
    static const DBusObjectPathVTable table = {nullptr, TDBusHeadingPublisherHandlers::HandleMessage, nullptr,
                                               nullptr, nullptr, nullptr};
    if (!dbus_connection_try_register_object_path(Connection, ObjectPath, &table, this, nullptr)) {
        Disconnect();
        return false;
    }
    return true;
}

void TDBusHeadingPublisher::Disconnect()
{
    Claimed = false;
    if (!Connection)
        return;
    DBusConnection* connection = Connection;
    Connection = nullptr;
    dbus_connection_close(connection);
    Loop.reset();
    dbus_connection_unref(connection);
}

void TDBusHeadingPublisher::SignalChange()
{
    DBusMessage* signal = dbus_message_new_signal(ObjectPath, DBUS_INTERFACE_PROPERTIES, "PropertiesChanged");
    if (!signal)
        return;
    DBusMessageIter arguments;
    dbus_message_iter_init_append(signal, &arguments);
    dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &HeadingInterface);
    AppendProperties(&arguments, Azimuth, UpdatedMs, Known);
    DBusMessageIter invalidated;
    dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING_AS_STRING, &invalidated);
    dbus_message_iter_close_container(&arguments, &invalidated);
    // libdbus writes at once when the socket takes it; the rest waits for the writable watch.
    dbus_connection_send(Connection, signal, nullptr);
    dbus_message_unref(signal);
}

void TDBusHeadingPublisher::Answer(DBusMessage* call)
{
    const char* interface = dbus_message_get_interface(call);
    const char* member = dbus_message_get_member(call);
    const bool properties = !interface || Is(interface, DBUS_INTERFACE_PROPERTIES);
    // The first argument of Get, GetAll and Set: the interface asked about.
    const char* asked = nullptr;
    const char* property = nullptr;
    DBusMessageIter arguments;
    if (dbus_message_iter_init(call, &arguments) && dbus_message_iter_get_arg_type(&arguments) == DBUS_TYPE_STRING) {
        dbus_message_iter_get_basic(&arguments, &asked);
        if (dbus_message_iter_next(&arguments) && dbus_message_iter_get_arg_type(&arguments) == DBUS_TYPE_STRING)
            dbus_message_iter_get_basic(&arguments, &property);
    }
    const bool ours = Is(asked, HeadingInterface) || Is(asked, "");
    const bool known = Is(property, "Azimuth") || Is(property, "Updated") || Is(property, "Known");

    DBusMessage* reply = nullptr;
    const auto refuse = [&](const char* name, const char* text) { reply = dbus_message_new_error(call, name, text); };
    if (Is(interface, DBUS_INTERFACE_INTROSPECTABLE) && Is(member, "Introspect")) {
        reply = dbus_message_new_method_return(call);
        if (reply)
            dbus_message_append_args(reply, DBUS_TYPE_STRING, &Introspection, DBUS_TYPE_INVALID);
    } else if (!properties || !(Is(member, "Get") || Is(member, "GetAll") || Is(member, "Set"))) {
        refuse(DBUS_ERROR_UNKNOWN_METHOD, "no such method");
    } else if (!dbus_message_has_signature(call, Is(member, "Get") ? "ss" : Is(member, "GetAll") ? "s" : "ssv")) {
        refuse(DBUS_ERROR_INVALID_ARGS, "wrong arguments");
    } else if (!ours) {
        refuse(DBUS_ERROR_UNKNOWN_INTERFACE, "no such interface");
    } else if (Is(member, "Set")) {
        refuse(known ? DBUS_ERROR_PROPERTY_READ_ONLY : DBUS_ERROR_UNKNOWN_PROPERTY,
               known ? "the heading is read from the rotator" : "no such property");
    } else if (Is(member, "Get") && !known) {
        refuse(DBUS_ERROR_UNKNOWN_PROPERTY, "no such property");
    } else if (!Claimed) {
        refuse(DBUS_ERROR_FAILED, "the heading is not read back");
    } else if ((reply = dbus_message_new_method_return(call))) {
        DBusMessageIter out;
        dbus_message_iter_init_append(reply, &out);
        const dbus_uint64_t updated = UpdatedMs;
        const dbus_bool_t isKnown = Known;
        if (Is(member, "GetAll"))
            AppendProperties(&out, Azimuth, UpdatedMs, Known);
        else if (Is(property, "Azimuth"))
            AppendVariant(&out, DBUS_TYPE_DOUBLE, &Azimuth);
        else if (Is(property, "Updated"))
            AppendVariant(&out, DBUS_TYPE_UINT64, &updated);
        else
            AppendVariant(&out, DBUS_TYPE_BOOLEAN, &isKnown);
    }
    if (!reply)
        return;
    if (!dbus_message_get_no_reply(call))
        dbus_connection_send(Connection, reply, nullptr);
    dbus_message_unref(reply);
}

std::unique_ptr<IHeadingPublisher> CreateHeadingPublisher()
{
    return std::make_unique<TDBusHeadingPublisher>();
}
