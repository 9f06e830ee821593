// Tolvane.exe under Wine beside the Linux tolvane, in one run on one X display: start to window
// visible; a Teskarn value typed into the stand-in until the last byte of its GS-232 command
// ("Wnnn" CR) arrives at the far end of COM1's null modem; and the same from a rotctld "P" sent over
// TCP to tolvane-bridge (tolvane-bridge.exe under Wine).
//
// Run it in the Windows tests' setting, which gives Wine its prefix and the null modem COM1 <-> COM7:
//   TOLVANE_WINDOWS_COMMAND='../build/bin/WineSideBySideBench 300' scripts/test-windows
// (the command runs in the Windows build's folder).
// Both programs' COM1 is the same pty, so the two paths differ only in the program and its feed:
// DDE (teskarn-dde.exe) under Wine, D-Bus (teskarn-feed) on Linux.
#include <QCoreApplication>
#include <QDir>
#include <QTcpSocket>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchTools.h"

using namespace BenchTools;

namespace {

const char* const GsOnCom1 = "ANT=GS232\r\nPORT_GS232=1\r\nBAUD_GS232=9600\r\n";

struct TFreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFreeDeleter>;

// A viewable top-level X window whose name starts with "TOLVANE"; 0 while there is none.
xcb_window_t FindTolvaneWindow(xcb_connection_t* connection, xcb_window_t root)
{
    TReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        TReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        // Window managers reparent: the name sits on the frame's child.
        if (xcb_window_t found = FindTolvaneWindow(connection, children[i]))
            return found;
        TReply<xcb_get_property_reply_t> name(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr));
        if (name && xcb_get_property_value_length(name.get()) >= 7 &&
            std::memcmp(xcb_get_property_value(name.get()), "TOLVANE", 7) == 0)
            return children[i];
    }
    return 0;
}

// The controller's end of the null modem, read raw.
class TFarEnd {
public:
    explicit TFarEnd(const std::string& path) : Descriptor(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (Descriptor < 0)
            Fail("cannot open COM1's far end (run inside scripts/test-windows)");
        termios settings{};
        ::tcgetattr(Descriptor, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(Descriptor, TCSANOW, &settings);
    }
    ~TFarEnd() { ::close(Descriptor); }
    void Drain()
    {
        char buffer[256];
        while (::read(Descriptor, buffer, sizeof buffer) > 0) {
        }
    }
    // Waits for `expected`; false after 5 s.
    bool Await(const std::string& expected)
    {
        std::string received;
        const TClock::time_point deadline = TClock::now() + std::chrono::seconds(5);
        while (received.find(expected) == std::string::npos && TClock::now() < deadline) {
            char buffer[64];
            const ssize_t count = ::read(Descriptor, buffer, sizeof buffer);
            if (count > 0)
                received.append(buffer, static_cast<std::size_t>(count));
            else
                QThread::usleep(50);
        }
        return received.find(expected) != std::string::npos;
    }

private:
    int Descriptor;
};

void Run(const QString& program, const QStringList& arguments)
{
    QProcess::execute(program, arguments);
}

// One program under test: how it is started, and where its Tolvane.ini lives.
struct TSide {
    const char* Name;
    QString Program;
    QStringList Arguments;
    QString Folder;
    QString Feed;
    QStringList FeedArguments;
    QString Bridge;
    QStringList BridgeArguments;
};

struct TFigures {
    std::vector<double> StartToWindow;
    std::vector<double> ValueToWire;
    std::vector<double> BridgeToWire;
};

// Sends one azimuth; returns when it is on its way.
using TSendAzimuth = std::function<void(int azimuth)>;

// Starts the program, waits for its window; the time it took, in microseconds.
double StartAndTime(QProcess& program, const TSide& side, xcb_connection_t* connection, xcb_window_t root)
{
    program.setWorkingDirectory(side.Folder);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    const TClock::time_point start = TClock::now();
    program.start(side.Program, side.Arguments);
    while (!FindTolvaneWindow(connection, root)) {
        if (TClock::now() - start > std::chrono::seconds(30))
            Fail("no window within 30 s");
        QThread::usleep(500);
    }
    return Microseconds(start, TClock::now());
}

// A click at a point of the window, which also gives it the keyboard.
void ClickAt(xcb_connection_t* connection, xcb_window_t root, int x, int y)
{
    const QString window = QString::number(FindTolvaneWindow(connection, root));
    Run("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
}

void Close(QProcess& program, xcb_connection_t* connection, xcb_window_t root)
{
    // Below the panel: nothing to press there.
    ClickAt(connection, root, 380, 90);
    QThread::msleep(200);
    Run("xdotool", {"key", "F4"});
    if (!program.waitForFinished(15000))
        program.kill();
    program.waitForFinished(5000);
    while (FindTolvaneWindow(connection, root))
        QThread::msleep(10);
}

// Azimuths sent one by one until each one's GS-232 command has arrived whole; after ten to warm up,
// the time each took, in microseconds.
std::vector<double> ValueToWire(int values, TFarEnd& farEnd, const TSendAzimuth& send)
{
    std::vector<double> figures;
    farEnd.Drain();
    constexpr int WarmUp = 10;
    for (int i = 0; i < values + WarmUp; ++i) {
        const int azimuth = 1 + i % 358;
        char expected[16];
        std::snprintf(expected, sizeof expected, "W%03d\r", azimuth);
        const TClock::time_point sent = TClock::now();
        send(azimuth);
        if (!farEnd.Await(expected))
            Fail("a command did not arrive within 5 s (is AUTO on?)");
        if (i >= WarmUp)
            figures.push_back(Microseconds(sent, TClock::now()));
    }
    return figures;
}

TFigures Measure(const TSide& side, int starts, int values, TFarEnd& farEnd, xcb_connection_t* connection,
                 xcb_window_t root)
{
    TFigures figures;
    QFile::remove(side.Folder + "/Tolvane.ini");
    for (int i = 0; i < starts; ++i) {
        QProcess program;
        figures.StartToWindow.push_back(StartAndTime(program, side, connection, root));
        Close(program, connection, root);
    }

    QFile ini(side.Folder + "/Tolvane.ini");
    ini.setPermissions(ini.permissions() | QFileDevice::WriteOwner);
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail("cannot write Tolvane.ini");
    ini.write(GsOnCom1);
    ini.close();
    QProcess feed;
    feed.setStandardOutputFile(QProcess::nullDevice());
    feed.setStandardErrorFile(QProcess::nullDevice());
    feed.start(side.Feed, side.FeedArguments);
    if (!feed.waitForStarted(10000))
        Fail("the feed did not start");
    QThread::sleep(2);
    QProcess program;
    StartAndTime(program, side, connection, root);
    QThread::sleep(2);
    // AUTO, below a menu bar of about 20 pixels: the button is 36 high.
    ClickAt(connection, root, 214, 53);
    QThread::msleep(500);
    figures.ValueToWire = ValueToWire(values, farEnd, [&feed](int azimuth) {
        feed.write(QByteArray::number(azimuth) + "\n");
        feed.waitForBytesWritten(1000);
    });
    Close(program, connection, root);
    feed.write("quit\n");
    if (!feed.waitForFinished(5000))
        feed.kill();
    feed.waitForFinished(2000);

    // The bridge in the feed's place: a rotctld client's P, over TCP on this computer.
    QProcess bridge;
    bridge.setStandardErrorFile(QProcess::nullDevice());
    bridge.start(side.Bridge, side.BridgeArguments);
    if (!bridge.waitForStarted(10000) || !bridge.waitForReadyRead(30000))
        Fail("the bridge did not start");
    const QByteArray ready = bridge.readLine().trimmed();
    const quint16 port = static_cast<quint16>(ready.mid(ready.lastIndexOf(' ') + 1).toUInt());
    QProcess bridged;
    StartAndTime(bridged, side, connection, root);
    QThread::sleep(2);
    ClickAt(connection, root, 214, 53);
    QThread::msleep(500);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    if (!client.waitForConnected(5000))
        Fail("cannot reach the bridge");
    client.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    figures.BridgeToWire = ValueToWire(values, farEnd, [&client](int azimuth) {
        client.write("P " + QByteArray::number(azimuth) + " 0\n");
        client.waitForBytesWritten(1000);
        // The answer comes before the command reaches the line, or just after: not waited for.
        client.readAll();
    });
    Close(bridged, connection, root);
    bridge.kill();
    bridge.waitForFinished(5000);
    QFile::setPermissions(side.Folder + "/Tolvane.ini", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(side.Folder + "/Tolvane.ini");
    return figures;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int values = argc > 1 ? std::max(50, std::atoi(argv[1])) : 300;
    const int starts = 10;
    const QString work = QDir::currentPath() + "/test-run";
    const QString linuxBin = QCoreApplication::applicationDirPath();
    const QString windowsBin = QDir::currentPath() + "/bin";
    if (!QFile::exists(windowsBin + "/Tolvane.exe") || !QFile::exists(work + "/com7"))
        Fail("run inside scripts/test-windows, from the Windows build folder");

    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection))
        Fail("no X display");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    TFarEnd farEnd((work + "/com7").toStdString());

    // The Linux program keeps its file and its COM1 link in a folder of its own; its feed needs a bus.
    QTemporaryDir linuxFolder;
    QFile::link(work + "/com1", linuxFolder.path() + "/COM1");
    QProcess daemon;
    StartPrivateBus(daemon);
    const TSide sides[] = {
        {"Linux", linuxBin + "/tolvane", {"--data-folder", linuxFolder.path()}, linuxFolder.path(),
         linuxBin + "/teskarn-feed", {}, linuxBin + "/tolvane-bridge", {"--port", "0"}},
        {"Wine", "/usr/lib/wine/wine64", {"Tolvane.exe"}, windowsBin, "/usr/lib/wine/wine64",
         {windowsBin + "/teskarn-dde.exe"}, "/usr/lib/wine/wine64", {windowsBin + "/tolvane-bridge.exe", "--port", "0"}},
    };
    std::printf("load average before: %s\n", LoadAverage().c_str());
    for (const TSide& side : sides) {
        const TFigures figures = Measure(side, starts, values, farEnd, connection, root);
        std::printf("%s\n", side.Name);
        PrintLatencies("  start to window visible", figures.StartToWindow);
        PrintLatencies("  Teskarn value to last byte on COM1", figures.ValueToWire);
        PrintLatencies("  bridge P over TCP to last byte on COM1", figures.BridgeToWire);
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());
    xcb_disconnect(connection);
    daemon.kill();
    daemon.waitForFinished(2000);
    return 0;
}
