// A private libdbus connection to the session bus that never waits long and never starts a bus.
#pragma once

#include <string>

struct DBusConnection;

// Connects to `address`, or when it is empty to $DBUS_SESSION_BUS_ADDRESS, else to
// $XDG_RUNTIME_DIR/bus, and says Hello within `timeoutMs`. Null when there is no such bus; nothing is
// printed. A lost bus ends only the connection, never the process.
DBusConnection* OpenSessionBus(const std::string& address, int timeoutMs);

// Closes and frees a connection of OpenSessionBus; null is allowed.
void CloseSessionBus(DBusConnection* connection);
