// The session bus's address found as libdbus finds it, less autolaunch, and a Hello with a deadline.
#include "platform/DBusSessionBus.h"

#include <dbus/dbus.h>

#include <unistd.h>

#include <cstdlib>

namespace {

std::string SessionAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return address;
    // Where systemd's user bus listens; autolaunch would start a bus of its own, with messages.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return {};
    const std::string path = std::string(runtime) + "/bus";
    if (::access(path.c_str(), F_OK) != 0)
        return {};
    char* escaped = dbus_address_escape_value(path.c_str());
    if (!escaped)
        return {};
    const std::string address = std::string("unix:path=") + escaped;
    dbus_free(escaped);
    return address;
}

}  // namespace

DBusConnection* OpenSessionBus(const std::string& address, int timeoutMs)
{
    const std::string where = address.empty() ? SessionAddress() : address;
    if (where.empty())
        return nullptr;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(where.c_str(), &error);
    dbus_error_free(&error);
    if (!connection)
        return nullptr;
    dbus_connection_set_exit_on_disconnect(connection, false);
    // dbus_bus_register would wait libdbus's 25 s for a bus that hangs.
    DBusMessage* hello = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello");
    DBusMessage* reply = hello ? dbus_connection_send_with_reply_and_block(connection, hello, timeoutMs, &error) : nullptr;
    dbus_error_free(&error);
    if (hello)
        dbus_message_unref(hello);
    if (!reply) {
        CloseSessionBus(connection);
        return nullptr;
    }
    dbus_message_unref(reply);
    return connection;
}

void CloseSessionBus(DBusConnection* connection)
{
    if (!connection)
        return;
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}
