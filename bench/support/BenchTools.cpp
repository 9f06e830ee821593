// Shared pieces of the benchmark programs.
#include "BenchTools.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QEventLoop>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"

namespace BenchTools {

double Microseconds(TClock::time_point from, TClock::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}

double Percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[index];
}

void PrintLatencies(const char* name, const std::vector<double>& samples)
{
    std::printf("  %-40s median %6.0f us, 99th percentile %6.0f us, min %6.0f us, max %6.0f us\n", name,
                Percentile(samples, 0.5), Percentile(samples, 0.99), Percentile(samples, 0.0),
                Percentile(samples, 1.0));
}

std::string LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "unknown";
    const QByteArrayList fields = file.readAll().split(' ');
    return fields.size() < 3 ? "unknown" : (fields[0] + " " + fields[1] + " " + fields[2]).toStdString();
}

void Fail(const char* what)
{
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::exit(1);
}

std::string FirstLine(QProcess& process)
{
    for (int i = 0; i < 100 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    return process.readLine().trimmed().toStdString();
}

std::string StartPrivateBus(QProcess& daemon)
{
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    const std::string address = FirstLine(daemon);
    if (address.empty())
        Fail("dbus-daemon did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
    return address;
}

bool WaitForBusName(const QString& name, QProcess& owner)
{
    owner.waitForStarted(5000);
    for (int i = 0; i < 100 && owner.state() == QProcess::Running; ++i) {
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(name))
            return true;
        QThread::msleep(50);
    }
    return false;
}

quint16 FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        Fail("no free TCP port");
    return probe.serverPort();
}

quint16 StartBridge(QProcess& bridge)
{
    const quint16 port = FreePort();
    bridge.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tolvane-bridge"),
                 {QStringLiteral("--port"), QString::number(port)});
    if (FirstLine(bridge).rfind("ready", 0) != 0 || !WaitForBusName(QStringLiteral("dde.Teskarn"), bridge))
        Fail("tolvane-bridge did not start");
    bridge.setStandardOutputFile(QProcess::nullDevice());
    return port;
}

TPlatformServices RealDesktopServices()
{
    TPlatformServices services;
    services.PortIO = CreatePortIO();
    services.WindowMessages = std::make_unique<TXcbWindowMessages>();
    services.DdeClientConv = std::make_unique<TDBusDdeClientConv>();
    services.HeadingPublisher = CreateHeadingPublisher();
    return services;
}

void RunEventsUntil(const std::function<bool()>& done, int milliseconds)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void RunEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace BenchTools
