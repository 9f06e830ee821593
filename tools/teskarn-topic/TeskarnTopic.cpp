// The publishing side of the azimuth feed, as Teskarn serves it.
#include "TeskarnTopic.h"

#include <QCoreApplication>

#include <dbus/dbus.h>

#include <cstdio>

#include "platform/DBusEventLoop.h"

namespace {
const char* const ItemName = "azimuth";
const char* const TopicInterface = "dde.Topic";
const char* const Introspection =
    DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE
    "<node>\n"
    " <interface name=\"dde.Topic\">\n"
    "  <method name=\"Request\"><arg name=\"item\" type=\"s\" direction=\"in\"/>"
    "<arg type=\"s\" direction=\"out\"/></method>\n"
    "  <signal name=\"Changed\"><arg name=\"item\" type=\"s\"/></signal>\n"
    " </interface>\n"
    " <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "  <method name=\"Introspect\"><arg type=\"s\" direction=\"out\"/></method>\n"
    " </interface>\n"
    "</node>\n";
}  // namespace

struct TTeskarnTopicHandlers {
    static DBusHandlerResult WatchForDisconnect(DBusConnection*, DBusMessage* message, void* data)
    {
        auto* topic = static_cast<TTeskarnTopic*>(data);
        // Without its bus the publisher serves nobody; leaving frees the user from a stray process.
        if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected") && topic->Claimed) {
            std::fprintf(stderr, "%s: the session bus went away\n", qPrintable(topic->Program));
            QCoreApplication::exit(1);
        }
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }

    static DBusHandlerResult HandleMessage(DBusConnection*, DBusMessage* message, void* topic)
    {
        if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        static_cast<TTeskarnTopic*>(topic)->Answer(message);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
};

TTeskarnTopic::TTeskarnTopic(const QString& program, const QString& service) : Program(program), Service(service)
{
}

TTeskarnTopic::~TTeskarnTopic()
{
    if (!Connection)
        return;
    dbus_connection_close(Connection);
    Loop.reset();
    dbus_connection_unref(Connection);
}

bool TTeskarnTopic::Serve()
{
    DBusError error;
    dbus_error_init(&error);
    // A connection of our own: nobody else in the process may dispatch it on another thread.
    Connection = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    if (!Connection) {
        std::fprintf(stderr, "%s: no session bus: %s\n", qPrintable(Program), error.message);
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(Connection, false);
    Loop = std::make_unique<TDBusEventLoop>(Connection);
    dbus_connection_add_filter(Connection, TTeskarnTopicHandlers::WatchForDisconnect, this, nullptr);
    const QByteArray path = "/" + Service.toUtf8();
    static const DBusObjectPathVTable table = {nullptr, TTeskarnTopicHandlers::HandleMessage, nullptr, nullptr, nullptr, nullptr};
    if (!dbus_connection_try_register_object_path(Connection, path.constData(), &table, this, &error)) {
        std::fprintf(stderr, "%s: cannot serve %s\n", qPrintable(Program), path.constData());
        dbus_error_free(&error);
        return false;
    }
    return true;
}

bool TTeskarnTopic::Claim()
{
    const QByteArray name = "dde." + Service.toUtf8();
    DBusError error;
    dbus_error_init(&error);
    // Only one publisher may own the feed; a second one leaves instead of waiting in line.
    const int reply = dbus_bus_request_name(Connection, name.constData(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    if (reply != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        std::fprintf(stderr, "%s: %s is already owned\n", qPrintable(Program), name.constData());
        return false;
    }
    Claimed = true;
    return true;
}

void TTeskarnTopic::Publish(const QString& text)
{
    Text = text;
    if (!Connection)
        return;
    const QByteArray path = "/" + Service.toUtf8();
    DBusMessage* signal = dbus_message_new_signal(path.constData(), TopicInterface, "Changed");
    if (!signal)
        return;
    dbus_message_append_args(signal, DBUS_TYPE_STRING, &ItemName, DBUS_TYPE_INVALID);
    // libdbus writes at once when the socket takes it; the rest waits for the writable watch.
    dbus_connection_send(Connection, signal, nullptr);
    dbus_message_unref(signal);
}

void TTeskarnTopic::Answer(DBusMessage* call)
{
    DBusMessage* reply = nullptr;
    const char* interface = dbus_message_get_interface(call);
    const bool ours = !interface || qstrcmp(interface, TopicInterface) == 0;
    if (dbus_message_is_method_call(call, DBUS_INTERFACE_INTROSPECTABLE, "Introspect")) {
        reply = dbus_message_new_method_return(call);
        dbus_message_append_args(reply, DBUS_TYPE_STRING, &Introspection, DBUS_TYPE_INVALID);
    } else if (!ours || qstrcmp(dbus_message_get_member(call), "Request") != 0) {
        reply = dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "no such method");
    } else if (!dbus_message_has_signature(call, "s")) {
        reply = dbus_message_new_error(call, DBUS_ERROR_INVALID_ARGS, "Request takes one string");
    } else {
        const char* item = nullptr;
        dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &item, DBUS_TYPE_INVALID);
        if (qstrcmp(item, ItemName) != 0) {
            const QByteArray text = "no item " + QByteArray(item);
            reply = dbus_message_new_error(call, "dde.Error.UnknownItem", text.constData());
        } else {
            const QByteArray value = Text.toUtf8();
            const char* valueText = value.constData();
            reply = dbus_message_new_method_return(call);
            dbus_message_append_args(reply, DBUS_TYPE_STRING, &valueText, DBUS_TYPE_INVALID);
        }
    }
    if (!reply)
        return;
    if (!dbus_message_get_no_reply(call))
        dbus_connection_send(Connection, reply, nullptr);
    dbus_message_unref(reply);
}
