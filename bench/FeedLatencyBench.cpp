// Latency of the feed path: a value typed into the publisher until its GS-232 command's last byte is on the line.
//
// A private dbus-daemon carries the feed; teskarn-feed publishes; the main window, in AUTO with the
// GS-232 interface on COM1, writes "Wnnn" CR to a pseudo-terminal whose master side this program reads.
// Usage: FeedLatencyBench [values] [path of teskarn-feed]
#include <QApplication>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTools.h"
#include "FeedRig.h"

using namespace BenchTools;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int values = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000;
    const QString publisherPath = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                           : QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/teskarn-feed");

    QProcess daemon;
    const std::string address = StartPrivateBus(daemon);
    TFeedRig rig(address);
    rig.Line().ReadOnEventLoop();
    rig.WatchChanged(true);

    // The publisher's report lines are not read: they would wake this process with every value.
    QProcess publisher;
    publisher.setStandardOutputFile(QProcess::nullDevice());
    publisher.start(publisherPath, {});
    if (!WaitForBusName(QStringLiteral("dde.Teskarn"), publisher))
        Fail("teskarn-feed did not start (give its path as the second argument)");
    rig.OpenWindow();

    constexpr int WarmUp = 20;
    std::vector<double> latencies, hop1, hop2, hop3;
    latencies.reserve(static_cast<std::size_t>(values));
    for (int i = 0; i < values + WarmUp; ++i) {
        // Neighbours differ by one degree: each passes the box's change test and the step rule.
        const int azimuth = 1 + i % 358;
        rig.Line().Clear();
        const QByteArray typed = QByteArray::number(azimuth) + "\n";
        const TClock::time_point sent = TClock::now();
        publisher.write(typed);
        publisher.waitForBytesWritten(1000);
        const TClock::time_point deadline = sent + std::chrono::seconds(5);
        while (!rig.Line().Complete() && TClock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!rig.Line().Complete())
            Fail("a command did not arrive within 5 s");
        char expected[16];
        std::snprintf(expected, sizeof expected, "W%03d\r", azimuth);
        if (rig.Line().Text() != expected)
            Fail("the line received a different command");
        // The watch runs on a thread of its own and may come late: its note is waited for.
        while (rig.ChangedAt() < sent && TClock::now() < sent + std::chrono::seconds(1))
            QThread::usleep(100);
        if (i >= WarmUp) {
            const TClock::time_point arrived = rig.Line().Arrived();
            latencies.push_back(Microseconds(sent, arrived));
            hop1.push_back(Microseconds(sent, rig.ChangedAt()));
            hop2.push_back(Microseconds(rig.ChangedAt(), rig.DeliveredAt()));
            hop3.push_back(Microseconds(rig.DeliveredAt(), arrived));
        }
    }

    std::printf("feed latency over %d values (typed into teskarn-feed -> last byte on the GS-232 pty), "
                "load average %s\n", values, LoadAverage().c_str());
    PrintLatencies("whole path", latencies);
    PrintLatencies("typed -> Changed reaches this process", hop1);
    PrintLatencies("-> Request answered, value delivered", hop2);
    PrintLatencies("-> last byte on the pty", hop3);
    rig.CloseWindow();
    publisher.terminate();
    publisher.waitForFinished(5000);
    daemon.terminate();
    daemon.waitForFinished(5000);
    return 0;
}
