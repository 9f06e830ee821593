// Soak: 100 000 feed values in AUTO mode over a private D-Bus to the GS-232 line on a pseudo-terminal.
//
// A publisher thread owns dde.Teskarn on a private dbus-daemon and answers each request with the
// value of the moment; the main window, in AUTO with GS-232 on COM1 (step 2), turns each value into
// a command on a pty whose master this program reads. The commands must be exactly those a model of
// the box's change test and the step rule predicts, in order, none twice; resident memory is sampled
// from /proc/self/statm after every 1000 values.
// Usage: SoakBench [values]   (default 100000)
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "app/Unit1.h"
#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"

namespace SoakBenchDetail {

// The publisher's /Teskarn object; it answers on its own thread while the window's request blocks.
class TSoakTopic : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")
public:
    std::mutex Lock;
    QString Value;
    std::atomic<long> Answered{0};

public slots:
    QString Request(const QString&)
    {
        QString value;
        {
            std::lock_guard<std::mutex> guard(Lock);
            value = Value;
        }
        ++Answered;
        return value;
    }
};

}  // namespace SoakBenchDetail

namespace {

using SoakBenchDetail::TSoakTopic;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "SoakBench: %s\n", what.c_str());
    std::exit(1);
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Azimuth texts as a tracker produces them: small moves, repeats, tenths and the odd jump.
std::vector<std::string> FeedValues(int count)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> kind(0, 99), move(-5, 5), anywhere(0, 3599);
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(count));
    int tenths = 1800;
    char text[32];
    for (int i = 0; i < count; ++i) {
        const int k = kind(random);
        if (k < 60)
            tenths = ((tenths / 10 + move(random)) % 360 + 360) % 360 * 10;
        else if (k < 75 && i > 0) {
            values.push_back(values.back());
            continue;
        } else if (k < 90)
            tenths = ((tenths + move(random) * 7) % 3600 + 3600) % 3600;
        else
            tenths = anywhere(random);
        if (tenths % 10 == 0)
            std::snprintf(text, sizeof text, "%d", tenths / 10);
        else
            std::snprintf(text, sizeof text, "%d.%d", tenths / 10, tenths % 10);
        values.push_back(text);
    }
    return values;
}

// The commands the window must send: the box runs MAN only on a changed text, and GS-232 sends
// only when the step is not greater than the move from the last command.
std::string ExpectedLine(const std::vector<std::string>& values, int step)
{
    std::string expected, box;
    long double lastSent = LastSentAzimuthReset;
    char command[16];
    for (const std::string& text : values) {
        if (text == box)
            continue;
        box = text;
        long double azimuth = 0;
        if (!TryStrToFloat(text, azimuth) || azimuth < 0 || azimuth >= 360)
            Fail("the value model made an invalid azimuth");
        if (static_cast<long double>(step) > std::fabs(azimuth - lastSent))
            continue;
        lastSent = azimuth;
        std::snprintf(command, sizeof command, "W%03lld\r", static_cast<long long>(RoundToInteger(azimuth)));
        expected += command;
    }
    return expected;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    constexpr int Step = 2;
    constexpr int WarmUp = 10000;

    QProcess daemon;
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    for (int i = 0; i < 100 && !daemon.canReadLine(); ++i)
        daemon.waitForReadyRead(100);
    const std::string address = daemon.readLine().trimmed().toStdString();
    if (address.empty())
        Fail("dbus-daemon did not start");

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        Fail("no pseudo-terminal");
    QTemporaryDir folder;
    if (!folder.isValid() || !QFile::link(QString::fromLocal8Bit(ptsname(master)), folder.filePath("COM1")))
        Fail("cannot link COM1");
    QDir::setCurrent(folder.path());

    QThread publisherThread;
    publisherThread.start();
    TSoakTopic topic;
    topic.moveToThread(&publisherThread);
    bool published = false;
    QMetaObject::invokeMethod(
        &topic,
        [&] {
            QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address), "soak-publisher");
            published = bus.registerObject("/Teskarn", &topic, QDBusConnection::ExportAllSlots) &&
                        bus.registerService("dde.Teskarn");
        },
        Qt::BlockingQueuedConnection);
    if (!published)
        Fail("the publisher could not own dde.Teskarn");

    const std::vector<std::string> values = FeedValues(count);
    const std::string expected = ExpectedLine(values, Step);

    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    StationSettings.STEP_GS232 = Step;
    TPlatformServices services;
    services.PortIO = CreatePortIO();
    services.WindowMessages = std::make_unique<TXcbWindowMessages>();
    services.DdeClientConv = std::make_unique<TDBusDdeClientConv>(address);
    auto form = std::make_unique<TForm1>(std::move(services));
    form->SpeedButtonAuto->setChecked(true);
    form->FormActivate();
    if (!FeedLinkOpen)
        Fail("the feed did not link");
    const long linkRequests = topic.Answered;

    // The line is checked as it arrives and not kept, so that its own growth is not counted.
    std::size_t received = 0;
    std::size_t firstDifference = std::string::npos;
    const auto drain = [&] {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(master, buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < got; ++i, ++received)
                if (firstDifference == std::string::npos &&
                    (received >= expected.size() || buffer[i] != expected[received]))
                    firstDifference = received;
        }
    };
    std::vector<long> residentKiB;
    QDBusConnection bus("soak-publisher");
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        {
            std::lock_guard<std::mutex> guard(topic.Lock);
            topic.Value = QString::fromStdString(values[static_cast<std::size_t>(i)]) + "\r\n";
        }
        QDBusMessage changed = QDBusMessage::createSignal("/Teskarn", "dde.Topic", "Changed");
        changed << QStringLiteral("azimuth");
        bus.send(changed);
        // The window's handler runs inside processEvents, so once the request is answered the value
        // has gone all the way through before the next one is published.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (topic.Answered < linkRequests + i + 1) {
            if (std::chrono::steady_clock::now() > deadline)
                Fail("value " + std::to_string(i) + " was not requested within 5 s");
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        QCoreApplication::processEvents();
        drain();
        if ((i + 1) % 1000 == 0)
            residentKiB.push_back(ResidentKiB());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (int i = 0; i < 20 && received < expected.size(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        drain();
    }

    std::size_t sent = 0;
    for (const char c : expected)
        sent += c == '\r';
    std::printf("soak: %d feed values in AUTO to GS-232 on a pty (step %d), %.1f s, %.0f values/s\n", count, Step,
                seconds, count / seconds);
    const bool identical = received == expected.size() && firstDifference == std::string::npos;
    std::printf("  commands expected %zu, line carried %zu bytes of %zu expected: %s\n", sent, received,
                expected.size(), identical ? "identical, in order, none twice" : "DIFFERENT");
    if (firstDifference != std::string::npos)
        std::printf("  first difference at byte %zu\n", firstDifference);
    long afterWarmUp = 0, peak = 0;
    if (!residentKiB.empty()) {
        const std::size_t warm = std::min<std::size_t>(WarmUp / 1000, residentKiB.size() - 1);
        afterWarmUp = residentKiB[warm];
        for (std::size_t i = warm; i < residentKiB.size(); ++i)
            peak = std::max(peak, residentKiB[i]);
        std::printf("  resident KiB every 10000 values:");
        for (std::size_t i = 9; i < residentKiB.size(); i += 10)
            std::printf(" %ld", residentKiB[i]);
        std::printf("\n");
        std::printf("  resident memory: %ld KiB at start of sampling, %ld KiB after %d values, %ld KiB at the "
                    "end, peak after warm-up %ld KiB (growth %+ld KiB)\n",
                    residentKiB.front(), afterWarmUp, WarmUp, residentKiB.back(), peak,
                    residentKiB.back() - afterWarmUp);
    }

    form->FormClose();
    form.reset();
    QMetaObject::invokeMethod(
        &topic, [&] { QDBusConnection::disconnectFromBus("soak-publisher"); topic.moveToThread(application.thread()); },
        Qt::BlockingQueuedConnection);
    publisherThread.quit();
    publisherThread.wait();
    daemon.terminate();
    daemon.waitForFinished(5000);
    ::close(master);
    // Flat means under 2 MiB of growth after warm-up, whatever the machine.
    return identical && peak - afterWarmUp < 2048 ? 0 : 1;
}

#include "SoakBench.moc"
