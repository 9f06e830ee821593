// A private dbus-daemon and a private Xvfb for the tests of the desktop links.
#include "support/PrivateDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <set>

#include "support/ChildProcess.h"

namespace {
// The first line a server prints on standard output once it is ready.
std::string ReadFirstLine(QProcess& process, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!process.canReadLine() && waited.elapsed() < timeoutMs && process.state() == QProcess::Running)
        process.waitForReadyRead(50);
    return process.canReadLine() ? process.readLine().trimmed().toStdString() : std::string();
}
}  // namespace

TScopedEnvironment::TScopedEnvironment(const char* name, const std::string& value)
    : Name(name), OldValue(qgetenv(name)), HadValue(qEnvironmentVariableIsSet(name))
{
    if (value.empty())
        qunsetenv(name);
    else
        qputenv(name, QByteArray::fromStdString(value));
}

TScopedEnvironment::~TScopedEnvironment()
{
    if (HadValue)
        qputenv(Name.constData(), OldValue);
    else
        qunsetenv(Name.constData());
}

TPrivateSessionBus::TPrivateSessionBus()
{
    Daemon.setProgram(QStringLiteral("dbus-daemon"));
    Daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    Daemon.setStandardErrorFile(QProcess::nullDevice());
    EndWithParent(Daemon);
    Daemon.start();
    if (!Daemon.waitForStarted(10000))
        return;
    Address = ReadFirstLine(Daemon, 10000);
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
    EndProcess(Daemon);
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
    QElapsedTimer waited;
    waited.start();
    while ((OwnerPid(busName) != 0) != owned) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

TPrivateXServer::TPrivateXServer()
{
    Start({QStringLiteral("-displayfd"), QStringLiteral("1")});
}

TPrivateXServer::~TPrivateXServer()
{
    Stop();
    DisplayVariable.reset();
}

bool TPrivateXServer::Start(const QStringList& arguments)
{
    Server.setProgram(QStringLiteral("Xvfb"));
    Server.setArguments(arguments + QStringList{QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                                QStringLiteral("-screen"), QStringLiteral("0"),
                                                QStringLiteral("640x480x24")});
    Server.setStandardErrorFile(QProcess::nullDevice());
    EndWithParent(Server);
    Server.start();
    if (!Server.waitForStarted(10000))
        return false;
    // -displayfd writes the display number once the server accepts clients.
    const std::string number = ReadFirstLine(Server, 20000);
    if (number.empty()) {
        EndProcess(Server);
        return false;
    }
    Display = ":" + number;
    if (!DisplayVariable)
        DisplayVariable = std::make_unique<TScopedEnvironment>("DISPLAY", Display);
    return true;
}

void TPrivateXServer::Stop()
{
    EndProcess(Server);
}

bool TPrivateXServer::Restart()
{
    const std::string display = Display;
    Stop();
    return Start({QString::fromStdString(display), QStringLiteral("-displayfd"), QStringLiteral("1")});
}
