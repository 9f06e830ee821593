// libdbus's watches and timeouts on Qt's socket notifiers and timers.
#include "platform/DBusEventLoop.h"

#include <QSocketNotifier>
#include <QTimer>

#include <dbus/dbus.h>

struct TDBusEventLoop::TWatchNotifiers {
    std::unique_ptr<QSocketNotifier> Read, Write;
};

TDBusEventLoop::TDBusEventLoop(DBusConnection* connection) : Connection(connection)
{
    dbus_connection_set_watch_functions(Connection, AddWatch, RemoveWatch, ToggleWatch, this, nullptr);
    dbus_connection_set_timeout_functions(Connection, AddTimeout, RemoveTimeout, ToggleTimeout, this, nullptr);
    // Data read during a blocking call waits for the event loop's next turn.
    dbus_connection_set_dispatch_status_function(
        Connection,
        [](DBusConnection*, DBusDispatchStatus status, void* data) {
            auto* loop = static_cast<TDBusEventLoop*>(data);
            if (status == DBUS_DISPATCH_DATA_REMAINS)
                QMetaObject::invokeMethod(&loop->Context, [loop] { loop->Dispatch(); }, Qt::QueuedConnection);
        },
        this, nullptr);
}

TDBusEventLoop::~TDBusEventLoop()
{
    dbus_connection_set_dispatch_status_function(Connection, nullptr, nullptr, nullptr);
    dbus_connection_set_watch_functions(Connection, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus_connection_set_timeout_functions(Connection, nullptr, nullptr, nullptr, nullptr, nullptr);
    for (auto& [watch, notifiers] : Watches)
        for (std::unique_ptr<QSocketNotifier>* notifier : {&notifiers->Read, &notifiers->Write})
            if (*notifier)
                notifier->release()->deleteLater();
}

void TDBusEventLoop::Dispatch()
{
    while (dbus_connection_dispatch(Connection) == DBUS_DISPATCH_DATA_REMAINS) {
    }
}

unsigned TDBusEventLoop::AddWatch(DBusWatch* watch, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    const int descriptor = dbus_watch_get_unix_fd(watch);
    const unsigned flags = dbus_watch_get_flags(watch);
    auto notifiers = std::make_unique<TWatchNotifiers>();
    const auto handle = [loop, watch](unsigned condition) {
        dbus_watch_handle(watch, condition);
        loop->Dispatch();
    };
    if (flags & DBUS_WATCH_READABLE) {
        notifiers->Read = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        QObject::connect(notifiers->Read.get(), &QSocketNotifier::activated, &loop->Context,
                         [handle] { handle(DBUS_WATCH_READABLE); });
    }
    if (flags & DBUS_WATCH_WRITABLE) {
        notifiers->Write = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Write);
        QObject::connect(notifiers->Write.get(), &QSocketNotifier::activated, &loop->Context,
                         [handle] { handle(DBUS_WATCH_WRITABLE); });
    }
    loop->Watches[watch] = std::move(notifiers);
    ToggleWatch(watch, data);
    return true;
}

void TDBusEventLoop::RemoveWatch(DBusWatch* watch, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    const auto found = loop->Watches.find(watch);
    if (found == loop->Watches.end())
        return;
    // libdbus may remove the watch from inside its own handler: the notifier goes after that.
    for (std::unique_ptr<QSocketNotifier>* notifier : {&found->second->Read, &found->second->Write})
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->disconnect();
            notifier->release()->deleteLater();
        }
    loop->Watches.erase(found);
}

void TDBusEventLoop::ToggleWatch(DBusWatch* watch, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    const auto found = loop->Watches.find(watch);
    if (found == loop->Watches.end())
        return;
    const bool enabled = dbus_watch_get_enabled(watch);
    for (QSocketNotifier* notifier : {found->second->Read.get(), found->second->Write.get()})
        if (notifier)
            notifier->setEnabled(enabled);
}

unsigned TDBusEventLoop::AddTimeout(DBusTimeout* timeout, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, &loop->Context, [loop, timeout] {
        dbus_timeout_handle(timeout);
        loop->Dispatch();
    });
    loop->Timeouts[timeout] = std::move(timer);
    ToggleTimeout(timeout, data);
    return true;
}

void TDBusEventLoop::RemoveTimeout(DBusTimeout* timeout, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    const auto found = loop->Timeouts.find(timeout);
    if (found == loop->Timeouts.end())
        return;
    found->second->stop();
    found->second->disconnect();
    found->second.release()->deleteLater();
    loop->Timeouts.erase(found);
}

void TDBusEventLoop::ToggleTimeout(DBusTimeout* timeout, void* data)
{
    auto* loop = static_cast<TDBusEventLoop*>(data);
    const auto found = loop->Timeouts.find(timeout);
    if (found == loop->Timeouts.end())
        return;
    if (dbus_timeout_get_enabled(timeout))
        found->second->start(dbus_timeout_get_interval(timeout));
    else
        found->second->stop();
}
