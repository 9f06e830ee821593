// Latency of a tracking program's command: TCP "P az el" LF until the rotator command's last byte is on
// the serial line, through Tolvane and through Hamlib's own rotctld, in the same run.
//
// (a) tolvane-bridge on a free port publishes on a private dbus-daemon; the main window, in AUTO with
//     GS-232 on COM1 (a pseudo-terminal read here), writes "Wnnn" CR.
// (b) rotctld -m 601 (GS-232A) on a pseudo-terminal of its own writes "Wnnn eee" CR; for P it reads nothing back.
// The two take turns, command by command, so that both see the same load.
// Usage: BridgeLatencyBench [commands] [path of tolvane-bridge]
#include <QApplication>
#include <QProcess>
#include <QThread>

#include <poll.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchTools.h"
#include "FeedRig.h"

using namespace BenchTools;

namespace {

// A tracking program's connection: one command at a time, the answer line noted when it is complete.
// Plain blocking I/O on the thread that drives the commands; no event loop.
class TCommandSocket {
public:
    ~TCommandSocket()
    {
        if (Socket >= 0)
            ::close(Socket);
    }

    bool Connect(quint16 port)
    {
        Socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(Socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(Socket);
            Socket = -1;
            return false;
        }
        const int on = 1;
        ::setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return true;
    }

    int Descriptor() const { return Socket; }

    void Send(const std::string& command)
    {
        Answer.clear();
        Answered = false;
        if (::send(Socket, command.data(), command.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(command.size()))
            Fail("a command could not be sent");
    }

    // Takes what has arrived, without blocking; the time is noted here, as the bytes come in.
    void Read()
    {
        char buffer[256];
        const ssize_t count = ::recv(Socket, buffer, sizeof buffer, MSG_DONTWAIT);
        const TClock::time_point now = TClock::now();
        if (count == 0)
            Fail("the server closed the connection");
        if (count < 0)
            return;
        Answer.append(buffer, static_cast<std::size_t>(count));
        if (!Answered && Answer.find('\n') != std::string::npos) {
            At = now;
            Answered = true;
        }
    }

    bool Complete() const { return Answered; }
    const std::string& Text() const { return Answer; }
    TClock::time_point AnsweredAt() const { return At; }

private:
    int Socket = -1;
    std::string Answer;
    bool Answered = false;
    TClock::time_point At;
};

// Sends one P and waits in poll for both its answer and the command's carriage return on the line.
void RunCommand(TCommandSocket& client, TPtyLine& line, int azimuth, const char* expectedFormat, TClock::time_point& sent)
{
    char command[32], expected[32];
    std::snprintf(command, sizeof command, "P %d 0\n", azimuth);
    std::snprintf(expected, sizeof expected, expectedFormat, azimuth);
    line.Clear();
    sent = TClock::now();
    client.Send(command);
    const TClock::time_point deadline = sent + std::chrono::seconds(5);
    while (!(line.Complete() && client.Complete())) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            Fail("a command or its answer did not arrive within 5 s");
        pollfd ready[2] = {{client.Descriptor(), POLLIN, 0}, {line.Descriptor(), POLLIN, 0}};
        if (::poll(ready, 2, static_cast<int>(left)) < 0 && errno != EINTR)
            Fail("poll failed");
        if (ready[0].revents != 0)
            client.Read();
        if (ready[1].revents != 0)
            line.Read();
    }
    if (client.Text() != "RPRT 0\n")
        Fail("the answer was not RPRT 0");
    if (line.Text() != expected) {
        std::fprintf(stderr, "expected %s, got %s\n", expected, line.Text().c_str());
        Fail("the line received a different command");
    }
}

// Our path, whole and, when the Changed signal is watched, by hop.
struct TOurSamples {
    std::vector<double> Whole, Answered, Changed, Delivered, Written;

    void Print(const char* name) const
    {
        PrintLatencies(name, Whole);
        PrintLatencies("  sent -> RPRT 0 back", Answered);
        if (Changed.empty())
            return;
        PrintLatencies("  sent -> Changed reaches this process", Changed);
        PrintLatencies("  -> Request answered, value delivered", Delivered);
        PrintLatencies("  -> last byte on the pty", Written);
    }
};

// `samples` null: a warm-up command. `hops`: the Changed signal is being watched.
void TimeOurCommand(TCommandSocket& client, TFeedRig& rig, int azimuth, TOurSamples* samples, bool hops)
{
    TClock::time_point sent;
    RunCommand(client, rig.Line(), azimuth, "W%03d\r", sent);
    // The watch runs on a thread of its own and may come late: its note is waited for.
    while (hops && rig.ChangedAt() < sent && TClock::now() < sent + std::chrono::seconds(1))
        ::usleep(100);
    if (!samples)
        return;
    const TClock::time_point arrived = rig.Line().Arrived();
    samples->Whole.push_back(Microseconds(sent, arrived));
    samples->Answered.push_back(Microseconds(sent, client.AnsweredAt()));
    if (!hops)
        return;
    samples->Changed.push_back(Microseconds(sent, rig.ChangedAt()));
    samples->Delivered.push_back(Microseconds(rig.ChangedAt(), rig.DeliveredAt()));
    samples->Written.push_back(Microseconds(rig.DeliveredAt(), arrived));
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int commands = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000;
    const QString bridgePath = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                        : QCoreApplication::applicationDirPath() + QStringLiteral("/tolvane-bridge");

    QProcess daemon;
    const std::string address = StartPrivateBus(daemon);
    QProcess bridge, rotctld;
    TFeedRig rig(address);

    bridge.start(bridgePath, {QStringLiteral("--port"), QStringLiteral("0")});
    const QByteArrayList ready = QByteArray::fromStdString(FirstLine(bridge)).split(' ');
    if (ready.size() != 4 || ready[0] != "ready" || !WaitForBusName(QStringLiteral("dde.Teskarn"), bridge))
        Fail("tolvane-bridge did not start (give its path as the second argument)");
    rig.OpenWindow();
    TCommandSocket toBridge;
    if (!toBridge.Connect(static_cast<quint16>(ready[3].toUInt())))
        Fail("cannot connect to tolvane-bridge");

    TPtyLine rotatorLine;
    TCommandSocket toRotctld;
    // A free port may be taken by someone else before rotctld binds it: then another one.
    bool connected = false;
    for (int attempt = 0; attempt < 5 && !connected; ++attempt) {
        rotctld.kill();
        rotctld.waitForFinished(1000);
        const quint16 port = FreePort();
        rotctld.setStandardErrorFile(QProcess::nullDevice());
        rotctld.start(QStringLiteral("rotctld"), {QStringLiteral("-m"), QStringLiteral("601"), QStringLiteral("-r"),
                                                  QString::fromStdString(rotatorLine.SlavePath()), QStringLiteral("-t"),
                                                  QString::number(port)});
        for (int i = 0; i < 50 && !connected && rotctld.waitForStarted(1000) && rotctld.state() == QProcess::Running; ++i) {
            connected = toRotctld.Connect(port);
            if (!connected)
                QThread::msleep(50);
        }
    }
    if (!connected)
        Fail("rotctld did not start (is libhamlib-utils installed?)");

    // Every azimuth differs from the one before by more than the one-degree step, so each goes out.
    std::mt19937 random(4533);
    std::uniform_int_distribution<int> move(2, 120);
    int azimuth = 180;
    const auto nextAzimuth = [&] {
        const int step = move(random);
        azimuth = (azimuth - 1 + (random() % 2 ? step : 358 - step)) % 358 + 1;
        return azimuth;
    };
    constexpr int WarmUp = 20;
    TOurSamples ours, backToBack, oursByHop, backToBackByHop;
    std::vector<double> hamlib, hamlibAnswered;
    std::string loadTurns, loadBackToBack, loadHops;
    // The commands go out from a plain thread of their own, which stamps the times where the bytes
    // arrive; the main thread runs only the program, as Tolvane runs in a process of its own.
    const auto takeTurns = [&](TOurSamples& samples, bool hops) {
        for (int i = 0; i < commands + WarmUp; ++i) {
            const int target = nextAzimuth();
            TimeOurCommand(toBridge, rig, target, i >= WarmUp ? &samples : nullptr, hops);
            TClock::time_point sent;
            RunCommand(toRotctld, rotatorLine, target, "W%03d 000\r", sent);
            if (i >= WarmUp && !hops) {
                hamlib.push_back(Microseconds(sent, rotatorLine.Arrived()));
                hamlibAnswered.push_back(Microseconds(sent, toRotctld.AnsweredAt()));
            }
        }
    };
    // rotctld sleeps 50 ms after each command before it answers, so in turns every command of ours
    // meets idle cores; a client that sends again as soon as it has its answer keeps them awake.
    const auto backToBackRound = [&](TOurSamples& samples, bool hops) {
        for (int i = 0; i < commands; ++i)
            TimeOurCommand(toBridge, rig, nextAzimuth(), &samples, hops);
    };
    const auto watch = [&](bool on) {
        QMetaObject::invokeMethod(&application, [&rig, on] { rig.WatchChanged(on); }, Qt::BlockingQueuedConnection);
    };
    std::thread driver([&] {
        takeTurns(ours, false);
        loadTurns = LoadAverage();
        backToBackRound(backToBack, false);
        loadBackToBack = LoadAverage();
        // The hops in rounds of their own: the watch is one more receiver of every Changed signal.
        watch(true);
        takeTurns(oursByHop, true);
        backToBackRound(backToBackByHop, true);
        loadHops = LoadAverage();
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    application.exec();
    driver.join();

    std::printf("TCP \"P az 0\" LF -> last byte on the pty, %d commands each\n", commands);
    std::printf("taking turns with rotctld; load average %s:\n", loadTurns.c_str());
    ours.Print("Tolvane: tolvane-bridge, bus, TForm1");
    PrintLatencies("rotctld -m 601 (GS-232A)", hamlib);
    PrintLatencies("  sent -> RPRT 0 back", hamlibAnswered);
    std::printf("  medians: Tolvane / rotctld = %.2f\n", Percentile(ours.Whole, 0.5) / Percentile(hamlib, 0.5));
    std::printf("Tolvane alone, the next command as soon as the answer and the line's byte are in; load average %s:\n",
                loadBackToBack.c_str());
    backToBack.Print("Tolvane: tolvane-bridge, bus, TForm1");
    std::printf("by hop, the Changed signal watched on a thread of its own; load average %s:\n", loadHops.c_str());
    oursByHop.Print("taking turns with rotctld");
    backToBackByHop.Print("back to back");
    rig.CloseWindow();
    for (QProcess* process : {&rotctld, &bridge, &daemon}) {
        process->terminate();
        process->waitForFinished(5000);
    }
    return 0;
}
