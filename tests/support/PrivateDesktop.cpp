// A private dbus-daemon and a private Xvfb for the tests of the desktop links.
#include "support/PrivateDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QCoreApplication>
#include <QFile>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <set>

TPrivateSessionBus::TPrivateSessionBus()
{
    TChildOptions options;
    options.Errors = TErrorOutput::Discarded;
    Daemon = std::make_unique<TChildProcess>(
        "dbus-daemon", QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
        options);
    Address = Daemon->NextLine(10000).value_or(std::string());
    if (Address.empty())
        return;
    AddressVariable = std::make_unique<TScopedEnvironment>("DBUS_SESSION_BUS_ADDRESS", Address);
    static std::atomic<unsigned> count{0};
    ConnectionName = QStringLiteral("test-private-bus-%1").arg(++count);
    QDBusConnection::connectToBus(QString::fromStdString(Address), ConnectionName);
}

TPrivateSessionBus::~TPrivateSessionBus()
{
    if (!ConnectionName.isEmpty()) {
        // Programs the test started, directly or by name, go with their bus.
        QDBusConnection bus(ConnectionName);
        std::set<qint64> pids;
        if (bus.isConnected()) {
            const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
            for (const QString& name : names.value()) {
                const QDBusReply<uint> pid = bus.interface()->servicePid(name);
                if (pid.isValid() && pid.value() > 0 && static_cast<qint64>(pid.value()) != getpid())
                    pids.insert(pid.value());
            }
        }
        for (const qint64 pid : pids)
            ::kill(static_cast<pid_t>(pid), SIGTERM);
        QDBusConnection::disconnectFromBus(ConnectionName);
    }
    AddressVariable.reset();
    Daemon.reset();
}

qint64 TPrivateSessionBus::OwnerPid(const std::string& busName)
{
    QDBusConnection bus(ConnectionName);
    if (!bus.isConnected())
        return 0;
    const QDBusReply<uint> pid = bus.interface()->servicePid(QString::fromStdString(busName));
    return pid.isValid() ? pid.value() : 0;
}

bool TPrivateSessionBus::WaitForOwner(const std::string& busName, bool owned, int timeoutMs)
{
    return RunEventsUntil([&] { return (OwnerPid(busName) != 0) == owned; }, timeoutMs);
}

void TPrivateSessionBus::EndDaemon()
{
    // Killed, so that it cannot tell anyone that the names it held are gone.
    ::kill(static_cast<pid_t>(Daemon->Pid()), SIGKILL);
    Daemon->WaitForExit(5000);
}

TPrivateXServer::TPrivateXServer(bool windowManager) : WindowManagerWanted(windowManager)
{
    const int first = 200 + static_cast<int>(QCoreApplication::applicationPid() % 400) * 2;
    if (!Start(first, 40))
        return;
    // Programs started from here find no credentials they do not need.
    XAuthorityVariable = std::make_unique<TScopedEnvironment>("XAUTHORITY", std::string());
    DisplayVariable = std::make_unique<TScopedEnvironment>("DISPLAY", Display);
    RunEventsUntil([] { return RunCommand(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}, 5000).ExitCode == 0; },
                   10000);
    if (WindowManagerWanted)
        StartWindowManager();
}

TPrivateXServer::~TPrivateXServer()
{
    WindowManager.reset();
    Stop();
    DisplayVariable.reset();
    XAuthorityVariable.reset();
}

bool TPrivateXServer::Start(int firstDisplay, int displays)
{
    TChildOptions options;
    options.Errors = TErrorOutput::Discarded;
    for (int display = firstDisplay; display < firstDisplay + displays; ++display) {
        Server = std::make_unique<TChildProcess>(
            "Xvfb",
            QStringList{QStringLiteral(":%1").arg(display), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("800x600x24"),
                        // A server that resets when its last client leaves refuses the next one meanwhile.
                        QStringLiteral("-noreset"), QStringLiteral("-displayfd"), QStringLiteral("1")},
            options);
        // The number comes back once the server accepts clients; a taken number ends the server instead.
        const std::string number = QString::fromStdString(Server->NextLine(20000).value_or(std::string())).trimmed().toStdString();
        if (!number.empty()) {
            Display = ":" + number;
            return true;
        }
        Server.reset();
    }
    return false;
}

void TPrivateXServer::StartWindowManager()
{
    if (!WindowManagerFolder.isValid())
        return;
    // openbox's defaults, without the user's own configuration, menus or autostart programs.
    QFile config(WindowManagerFolder.filePath(QStringLiteral("rc.xml")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write("<?xml version=\"1.0\"?>\n<openbox_config xmlns=\"http://openbox.org/3.4/rc\"/>\n");
    config.close();
    TChildOptions options;
    options.Environment.insert(QStringLiteral("XDG_CONFIG_HOME"), WindowManagerFolder.path());
    options.Environment.insert(QStringLiteral("XDG_CACHE_HOME"), WindowManagerFolder.path());
    options.Errors = TErrorOutput::Discarded;
    options.DiscardOutput = true;
    WindowManager = std::make_unique<TChildProcess>(
        "openbox", QStringList{QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), config.fileName()},
        options);
    // Managing starts once it has announced itself on the root window.
    const bool managing = WindowManager->IsRunning() && RunEventsUntil([] {
        return RunCommand(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                   .Output.find("window id") != std::string::npos;
    }, 10000);
    if (!managing)
        WindowManager.reset();
}

void TPrivateXServer::Stop()
{
    Server.reset();
}

bool TPrivateXServer::Restart()
{
    Stop();
    return !Display.empty() && Start(std::atoi(Display.c_str() + 1), 1);
}
