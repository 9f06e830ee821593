// The bytes on the line while a tracking program drives Tolvane as gpredict does: its target repeated every
// 0.8 s through tolvane-bridge, with p asked each time, while the antenna turns 100 degrees; with the heading
// read back off and on. Then the antenna is turned away by hand at rest, and the same repeats either bring
// it back (read back on) or not (off).
//
// The main window runs here, GS-232A on COM1 linked to rotator-sim turning 10 degrees a second, STEP 1, AUTO
// on, its feed from the bridge on a private dbus-daemon. The simulator prints every command and reply it
// sees; their bytes are counted for each run.
// Usage: GpredictRunBench
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "BenchTools.h"
#include "app/Unit1.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/HeadingPoll.h"

using namespace BenchTools;

namespace {

constexpr int CycleMs = 800;  // gpredict's default cycle

// gpredict's side of the conversation: P target, then p, every cycle until told to stop.
void Track(quint16 port, int target, const std::atomic<bool>& running)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("cannot reach the bridge");
    const std::string command = "P " + std::to_string(target) + " 0\np\n";
    char buffer[512];
    while (running) {
        if (::write(socket, command.data(), command.size()) != static_cast<ssize_t>(command.size()))
            Fail("the bridge went away");
        std::this_thread::sleep_for(std::chrono::milliseconds(CycleMs));
        while (::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
    }
    ::close(socket);
}

struct TLineBytes {
    int Commands = 0;  // turn commands
    int CommandBytes = 0;
    int QueryBytes = 0;
    int ReplyBytes = 0;
};

// The length of a byte string as rotator-sim escapes it: "W100\r" is 5.
int EscapedLength(const std::string& quoted)
{
    int length = 0;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i, ++length) {
        if (quoted[i] == '\\')
            i += quoted[i + 1] == 'x' ? 3 : 1;
    }
    return length;
}

TLineBytes CountLine(const std::string& output)
{
    TLineBytes bytes;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("TX ", 0) == 0) {
            bytes.ReplyBytes += EscapedLength(line.substr(3));
        } else if (line.rfind("RX \"C", 0) == 0) {
            bytes.QueryBytes += EscapedLength(line.substr(3));
        } else if (line.rfind("RX ", 0) == 0) {
            ++bytes.Commands;
            bytes.CommandBytes += EscapedLength(line.substr(3));
        }
    }
    return bytes;
}

class TRun {
public:
    TRun(TForm1& form, QProcess& simulator, quint16 bridgePort)
        : Form(form), Simulator(simulator), BridgePort(bridgePort)
    {
    }

    // Drives `target` until the antenna arrives (or `limitMs` pass) and `tailMs` more; the line's bytes.
    void Drive(const char* name, bool readBack, int target, int limitMs, int tailMs = 2000, const char* hand = nullptr)
    {
        if (Form.MenuReadBack->isChecked() != readBack)
            Form.MenuReadBack->trigger();
        RunEventsFor(1500);
        Output.clear();
        Collect();
        if (hand) {
            Simulator.write(hand);
            RunEventsUntil([&] { return Collect().find("turned by hand") != std::string::npos; }, 5000);
            RunEventsFor(1500);  // the poll reads the new heading, the last command is a second old
        }
        std::atomic<bool> running{true};
        const TClock::time_point start = TClock::now();
        std::thread client([&] { Track(BridgePort, target, running); });
        const std::string arrival = "HEADING " + std::to_string(target) + ".0 (arrived)";
        RunEventsUntil([&] { return Collect().find(arrival) != std::string::npos; }, limitMs);
        const bool arrived = Output.find(arrival) != std::string::npos;
        const double seconds = Microseconds(start, TClock::now()) / 1e6;
        RunEventsFor(tailMs);
        running = false;
        client.join();
        const TLineBytes bytes = CountLine(Collect());
        std::printf("| %s | %s | %d | %d | %d | %d | %d |\n", name,
                    arrived ? (std::to_string(static_cast<int>(seconds * 10 + 0.5) / 10.0).substr(0, 4) + " s").c_str()
                            : "not within the run",
                    bytes.Commands, bytes.CommandBytes, bytes.QueryBytes, bytes.ReplyBytes,
                    bytes.CommandBytes + bytes.QueryBytes + bytes.ReplyBytes);
        std::fflush(stdout);
    }

private:
    const std::string& Collect()
    {
        Output += Simulator.readAllStandardOutput().toStdString();
        return Output;
    }

    TForm1& Form;
    QProcess& Simulator;
    quint16 BridgePort;
    std::string Output;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QProcess bus;
    StartPrivateBus(bus);
    std::printf("load average at start: %s\n", LoadAverage().c_str());

    QTemporaryDir folder;
    QTemporaryDir configFolder;
    qputenv("XDG_CONFIG_HOME", configFolder.path().toLocal8Bit());
    QDir::setCurrent(folder.path());
    QProcess simulator;
    simulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rotator-sim"),
                    {QStringLiteral("--protocol"), QStringLiteral("gs232a"), QStringLiteral("--rate"), QStringLiteral("10"),
                     QStringLiteral("--start"), QStringLiteral("0"), QStringLiteral("--link"),
                     folder.filePath(QStringLiteral("COM1"))});
    if (FirstLine(simulator).rfind("READY", 0) != 0)
        Fail("rotator-sim did not start");

    QProcess bridge;
    const quint16 bridgePort = StartBridge(bridge);

    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    StationSettings.STEP_GS232 = 1;
    auto form = std::make_unique<TForm1>(RealDesktopServices());
    form->FormActivate();
    RunEventsUntil([] { return FeedLinkOpen; }, 5000);
    if (!FeedLinkOpen)
        Fail("the feed did not link to the bridge");
    form->SpeedButtonAutoClick();

    std::printf("\n| run | arrived after | turn commands | their bytes | query bytes | reply bytes | all bytes |\n"
                "|---|---|---|---|---|---|---|\n");
    TRun run(*form, simulator, bridgePort);
    run.Drive("read-back off, 0 to 100", false, 100, 20000);
    run.Drive("read-back on, 100 to 200", true, 200, 20000);
    run.Drive("off, turned by hand to 150 at rest", false, 200, 10000, 0, "hand 150\n");
    run.Drive("on, turned by hand to 150 at rest", true, 200, 20000, 2000, "hand 150\n");
    std::printf("load average at the end: %s\n", LoadAverage().c_str());

    form->FormClose();
    form.reset();
    for (QProcess* process : {&bridge, &simulator}) {
        process->terminate();
        process->waitForFinished();
    }
    bus.kill();
    bus.waitForFinished();
    return 0;
}
