// A libdbus connection run by the Qt event loop of the thread that attaches it.
#pragma once

#include <QObject>

#include <map>
#include <memory>

struct DBusConnection;
struct DBusTimeout;
struct DBusWatch;
class QSocketNotifier;
class QTimer;

// A socket notifier for each of the connection's watches, a timer for each of its timeouts, and a
// dispatch after each of them and whenever data remains: no bus thread stands between a message and
// its handler, as QtDBus's does.
class TDBusEventLoop {
public:
    explicit TDBusEventLoop(DBusConnection* connection);
    // libdbus calls back no more; the notifiers and timers go.
    ~TDBusEventLoop();
    TDBusEventLoop(const TDBusEventLoop&) = delete;
    TDBusEventLoop& operator=(const TDBusEventLoop&) = delete;

    // Runs the handlers of every message read so far.
    void Dispatch();

private:
    struct TWatchNotifiers;

    static unsigned AddWatch(DBusWatch* watch, void* loop);
    static void RemoveWatch(DBusWatch* watch, void* loop);
    static void ToggleWatch(DBusWatch* watch, void* loop);
    static unsigned AddTimeout(DBusTimeout* timeout, void* loop);
    static void RemoveTimeout(DBusTimeout* timeout, void* loop);
    static void ToggleTimeout(DBusTimeout* timeout, void* loop);

    DBusConnection* Connection;
    // Receives the queued dispatches; pending ones go with it.
    QObject Context;
    std::map<DBusWatch*, std::unique_ptr<TWatchNotifiers>> Watches;
    std::map<DBusTimeout*, std::unique_ptr<QTimer>> Timeouts;
};
