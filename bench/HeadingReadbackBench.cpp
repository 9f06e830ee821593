// The heading read back: from a heading change in the simulator to the bridge's p answering it, how long
// p takes on the bridge and on Hamlib's rotctld over the same simulator, and the idle CPU at rest.
//
// The main window runs here, with EasyComm on COM1 linked to rotator-sim turning at a known rate, the
// switch on and its heading published on a private dbus-daemon; tolvane-bridge reads it. A client on a
// thread of its own asks the bridge "p" every 10 ms while the antenna turns: an answer v at time t is
// t - (t0 + v / rate) old, t0 being the moment the command left. Then rotctld -m 601 (GS-232A) and
// -m 202 (EasyComm), each on a simulator of its own, and the bridge answer p in turns. Last, with the
// rotator at rest, the CPU this process (the main window) and the bridge use over 20 s.
// Usage: HeadingReadbackBench [rounds of p per program]
#include <QApplication>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchTools.h"
#include "app/Unit1.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/HeadingPoll.h"

using namespace BenchTools;

namespace {

constexpr double RateDegreesPerSecond = 10.0;
constexpr double Target = 300.0;

// A rotctld-protocol connection: "p" LF, two lines back. Blocking I/O, no event loop.
class TPositionClient {
public:
    ~TPositionClient()
    {
        if (Socket >= 0)
            ::close(Socket);
    }

    bool Connect(quint16 port)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            Socket = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(port);
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                const int on = 1;
                ::setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                return true;
            }
            ::close(Socket);
            Socket = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The azimuth answered, or a negative number; `took` is the time of the round trip in µs.
    double Position(double& took)
    {
        const TClock::time_point sent = TClock::now();
        if (::write(Socket, "p\n", 2) != 2)
            return -1;
        std::string answer;
        char buffer[256];
        while (std::count(answer.begin(), answer.end(), '\n') < 2) {
            const ssize_t got = ::read(Socket, buffer, sizeof buffer);
            if (got <= 0)
                return -1;
            answer.append(buffer, static_cast<std::size_t>(got));
        }
        took = Microseconds(sent, TClock::now());
        return std::atof(answer.c_str());
    }

private:
    int Socket = -1;
};

// A simulated controller linked as `link`, started and ready.
void StartSimulator(QProcess& simulator, const QString& protocol, const QString& link, double start)
{
    simulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rotator-sim"),
                    {QStringLiteral("--protocol"), protocol, QStringLiteral("--rate"),
                     QString::number(RateDegreesPerSecond), QStringLiteral("--start"), QString::number(start),
                     QStringLiteral("--link"), link});
    if (FirstLine(simulator).rfind("READY", 0) != 0)
        Fail("rotator-sim did not start");
    simulator.setStandardOutputFile(QProcess::nullDevice());
}

void StartRotctld(QProcess& daemon, const char* model, const QString& device, quint16 port)
{
    daemon.setStandardOutputFile(QProcess::nullDevice());
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.start(QStringLiteral("rotctld"), {QStringLiteral("-m"), QString::fromLatin1(model), QStringLiteral("-r"),
                                             device, QStringLiteral("-s"), QStringLiteral("9600"),
                                             QStringLiteral("-T"), QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                                             QString::number(port)});
    if (!daemon.waitForStarted(5000))
        Fail("rotctld did not start (libhamlib-utils)");
}

// User and system CPU seconds of a process, from /proc.
double ProcessCpuSeconds(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index)
        if (index == 14 || index == 15)
            ticks += std::atof(field.c_str());
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double OwnCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
    QProcess bus;
    StartPrivateBus(bus);
    std::printf("load average at start: %s\n", LoadAverage().c_str());

    QTemporaryDir folder;
    QTemporaryDir configFolder;
    qputenv("XDG_CONFIG_HOME", configFolder.path().toLocal8Bit());
    QDir::setCurrent(folder.path());
    QProcess tolvaneSide, gs232Side, easyCommSide;
    StartSimulator(tolvaneSide, QStringLiteral("easycomm"), folder.filePath(QStringLiteral("COM1")), 0);
    StartSimulator(gs232Side, QStringLiteral("gs232a"), folder.filePath(QStringLiteral("gs232a")), 123);
    StartSimulator(easyCommSide, QStringLiteral("easycomm"), folder.filePath(QStringLiteral("easycomm")), 123);

    QProcess bridge;
    const quint16 bridgePort = StartBridge(bridge);

    StationSettings.ANT = riEasyComm;
    StationSettings.PORT_EASYCOMM = 0;
    StationSettings.STEP_EASYCOMM = 0;
    auto form = std::make_unique<TForm1>(RealDesktopServices());
    form->FormActivate();
    form->MenuReadBack->trigger();
    RunEventsFor(2000);
    if (!form->HeadingPoll->Heading())
        Fail("the heading was not read back");

    // (1) Staleness while the antenna turns from 0 to 300 at 10 degrees a second.
    std::vector<double> staleness;
    std::vector<double> bridgeAnswers;
    std::atomic<bool> turning{true};
    std::atomic<TClock::rep> commandAt{0};
    std::thread client([&] {
        TPositionClient socket;
        if (!socket.Connect(bridgePort))
            Fail("cannot reach the bridge");
        while (commandAt.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const TClock::time_point t0{TClock::duration(commandAt.load())};
        while (turning) {
            double took = 0;
            const double azimuth = socket.Position(took);
            const TClock::time_point answeredAt = TClock::now();
            bridgeAnswers.push_back(took);
            if (azimuth > 1 && azimuth < Target - 1) {
                const double heldSince = Microseconds(t0, answeredAt) - azimuth / RateDegreesPerSecond * 1e6;
                staleness.push_back(heldSince);
            }
            if (azimuth >= Target - 0.05)
                turning = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    form->EditAzimut->setText(QString::number(Target));
    commandAt = TClock::now().time_since_epoch().count();
    form->ButtonTrackClick();
    RunEventsUntil([&] { return !turning; }, 60000);
    turning = false;
    client.join();
    std::printf("\nheading change in the simulator to the bridge's p (%zu answers while turning):\n", staleness.size());
    PrintLatencies("staleness", staleness);

    // (2) The answer time of p: the bridge from memory, rotctld asking its controller, in turns.
    const quint16 gs232Port = FreePort(), easyCommPort = FreePort();
    QProcess rotctld601, rotctld202;
    StartRotctld(rotctld601, "601", folder.filePath(QStringLiteral("gs232a")), gs232Port);
    StartRotctld(rotctld202, "202", folder.filePath(QStringLiteral("easycomm")), easyCommPort);
    std::vector<double> oursTook, gs232Took, easyCommTook;
    std::thread turns([&] {
        TPositionClient ours, gs232, easyComm;
        if (!ours.Connect(bridgePort) || !gs232.Connect(gs232Port) || !easyComm.Connect(easyCommPort))
            Fail("cannot reach a daemon");
        for (int round = 0; round < rounds; ++round) {
            double took = 0;
            if (ours.Position(took) >= 0)
                oursTook.push_back(took);
            if (gs232.Position(took) >= 0)
                gs232Took.push_back(took);
            if (easyComm.Position(took) >= 0)
                easyCommTook.push_back(took);
        }
    });
    std::atomic<bool> turnsDone{false};
    std::thread waiter([&] {
        turns.join();
        turnsDone = true;
    });
    RunEventsUntil([&] { return turnsDone.load(); }, 600000);
    waiter.join();
    std::printf("\nthe time p takes, %d rounds in turns:\n", rounds);
    PrintLatencies("tolvane-bridge", oursTook);
    PrintLatencies("rotctld -m 601", gs232Took);
    PrintLatencies("rotctld -m 202", easyCommTook);
    if (!oursTook.empty() && !gs232Took.empty() && !easyCommTook.empty())
        std::printf("median ratio rotctld / bridge: %.0fx (601), %.0fx (202)\n",
                    Percentile(gs232Took, 0.5) / Percentile(oursTook, 0.5),
                    Percentile(easyCommTook, 0.5) / Percentile(oursTook, 0.5));
    rotctld601.kill();
    rotctld202.kill();
    rotctld601.waitForFinished();
    rotctld202.waitForFinished();

    // (3) At rest with the switch on: one query a second.
    RunEventsFor(11000);  // past the busy time after the command
    const double ownBefore = OwnCpuSeconds(), bridgeBefore = ProcessCpuSeconds(bridge.processId());
    const TClock::time_point restStart = TClock::now();
    RunEventsFor(20000);
    const double seconds = Microseconds(restStart, TClock::now()) / 1e6;
    std::printf("\nidle CPU at rest over %.0f s: main window %.3f %%, bridge %.3f %%\n", seconds,
                100 * (OwnCpuSeconds() - ownBefore) / seconds,
                100 * (ProcessCpuSeconds(bridge.processId()) - bridgeBefore) / seconds);
    std::printf("load average at the end: %s\n", LoadAverage().c_str());

    form->FormClose();
    form.reset();
    bridge.terminate();
    bridge.waitForFinished();
    for (QProcess* simulator : {&tolvaneSide, &gs232Side, &easyCommSide}) {
        simulator->terminate();
        simulator->waitForFinished();
    }
    bus.kill();
    bus.waitForFinished();
    return 0;
}
