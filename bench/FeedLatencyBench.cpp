// Latency of the feed path: a value typed into the publisher until its GS-232 command's last byte is on the line.
//
// A private dbus-daemon carries the feed; teskarn-feed publishes; the main window, in AUTO with the
// GS-232 interface on COM1, writes "Wnnn" CR to a pseudo-terminal whose master side this program reads.
// Usage: FeedLatencyBench [values] [path of teskarn-feed]
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QThread>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QToolButton>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "app/Unit1.h"
#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"

namespace {

using TClock = std::chrono::steady_clock;

double Percentile(std::vector<double> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[index];
}

// Notes when the Changed signal reaches this process, on a connection and thread of its own, so
// that the main thread's blocking Request does not delay the note.
class TChangedWatch : public QObject {
    Q_OBJECT
public:
    std::atomic<TClock::rep> Arrived{0};

public slots:
    void Changed(const QString&) { Arrived = TClock::now().time_since_epoch().count(); }
};

// The first line the process prints, waiting up to a few seconds.
std::string FirstLine(QProcess& process)
{
    for (int i = 0; i < 100 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    return process.readLine().trimmed().toStdString();
}

void Fail(const char* what)
{
    std::fprintf(stderr, "FeedLatencyBench: %s\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int values = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000;
    const QString publisherPath = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                           : QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/teskarn-feed");

    QProcess daemon;
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    const std::string address = FirstLine(daemon);
    if (address.empty())
        Fail("dbus-daemon did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        Fail("no pseudo-terminal");
    QTemporaryDir folder;
    if (!folder.isValid() || !QFile::link(QString::fromLocal8Bit(ptsname(master)), folder.filePath(QStringLiteral("COM1"))))
        Fail("cannot link COM1");
    QDir::setCurrent(folder.path());

    // The publisher's report lines are not read: they would wake this process with every value.
    QProcess publisher;
    publisher.setStandardOutputFile(QProcess::nullDevice());
    publisher.start(publisherPath, {});
    bool owned = false;
    publisher.waitForStarted(5000);
    for (int i = 0; i < 100 && !owned && publisher.state() == QProcess::Running; ++i) {
        owned = QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("dde.Teskarn"));
        if (!owned)
            QThread::msleep(50);
    }
    if (!owned)
        Fail("teskarn-feed did not start (give its path as the second argument)");

    QThread watchThread;
    TChangedWatch watch;
    watch.moveToThread(&watchThread);
    watchThread.start();
    QDBusConnection watchBus = QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("watch"));
    if (!watchBus.connect(QString(), QStringLiteral("/Teskarn"), QStringLiteral("dde.Topic"), QStringLiteral("Changed"),
                          &watch, SLOT(Changed(QString))))
        Fail("cannot watch the Changed signal");

    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    TPlatformServices services;
    services.PortIO = CreateLinuxPortIO();
    services.WindowMessages = std::make_unique<TXcbWindowMessages>();
    services.DdeClientConv = std::make_unique<TDBusDdeClientConv>();
    TForm1 form(std::move(services));
    form.SpeedButtonAuto->setChecked(true);
    form.FormActivate();
    if (!FeedLinkOpen)
        Fail("the feed did not link");
    // The value back from the Request, just before the window's handler takes it.
    TClock::time_point delivered;
    auto handler = form.DdeClientConv().OnItemChange;
    form.DdeClientConv().OnItemChange = [&](const std::string& text) {
        delivered = TClock::now();
        handler(text);
    };

    // The command's last byte is its carriage return.
    std::string line;
    TClock::time_point arrived;
    bool complete = false;
    QSocketNotifier notifier(master, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t count = ::read(master, buffer, sizeof buffer);
        if (count <= 0)
            return;
        line.append(buffer, static_cast<std::size_t>(count));
        if (line.find('\r') != std::string::npos) {
            arrived = TClock::now();
            complete = true;
        }
    });

    constexpr int WarmUp = 20;
    std::vector<double> latencies, hop1, hop2, hop3;
    latencies.reserve(static_cast<std::size_t>(values));
    for (int i = 0; i < values + WarmUp; ++i) {
        // Neighbours differ by one degree: each passes the box's change test and the step rule.
        const int azimuth = 1 + i % 358;
        line.clear();
        complete = false;
        const QByteArray typed = QByteArray::number(azimuth) + "\n";
        const TClock::time_point sent = TClock::now();
        publisher.write(typed);
        publisher.waitForBytesWritten(1000);
        const TClock::time_point deadline = sent + std::chrono::seconds(5);
        while (!complete && TClock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!complete)
            Fail("a command did not arrive within 5 s");
        char expected[16];
        std::snprintf(expected, sizeof expected, "W%03d\r", azimuth);
        if (line != expected)
            Fail("the line received a different command");
        if (i >= WarmUp) {
            latencies.push_back(std::chrono::duration<double, std::micro>(arrived - sent).count());
            const TClock::time_point changed{TClock::duration(watch.Arrived.load())};
            hop1.push_back(std::chrono::duration<double, std::micro>(changed - sent).count());
            hop2.push_back(std::chrono::duration<double, std::micro>(delivered - changed).count());
            hop3.push_back(std::chrono::duration<double, std::micro>(arrived - delivered).count());
        }
    }

    std::printf("feed latency over %d values (typed into teskarn-feed -> last byte on the GS-232 pty)\n", values);
    std::printf("  median %.0f us, 99th percentile %.0f us, min %.0f us, max %.0f us\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99), Percentile(latencies, 0.0),
                Percentile(latencies, 1.0));

    const struct {
        const char* Name;
        const std::vector<double>& Samples;
    } hops[] = {{"typed -> Changed reaches this process", hop1},
                {"-> Request answered, value delivered", hop2},
                {"-> last byte on the pty", hop3}};
    for (const auto& hop : hops)
        std::printf("  %-38s median %5.0f us, 99th percentile %5.0f us, max %5.0f us\n", hop.Name,
                    Percentile(hop.Samples, 0.5), Percentile(hop.Samples, 0.99), Percentile(hop.Samples, 1.0));
    form.FormClose();
    watchThread.quit();
    watchThread.wait();
    publisher.terminate();
    publisher.waitForFinished(5000);
    daemon.terminate();
    daemon.waitForFinished(5000);
    ::close(master);
    return 0;
}

#include "FeedLatencyBench.moc"
