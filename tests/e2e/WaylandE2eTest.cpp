// Tolvane on a Wayland desktop that offers XWayland: it runs as an X11 client there, where ARSWIN's window lives.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

namespace {
// Weston's own line once its X server for X11 clients accepts them.
const std::regex XWaylandReady("xserver listening on display (:[0-9]+)");
}  // namespace

TEST(WaylandE2e, RunsThroughXWaylandWhereTheDesktopOffersIt)
{
    QTemporaryDir runtime;
    QTemporaryDir folder;
    ASSERT_TRUE(runtime.isValid() && folder.isValid());
    ASSERT_EQ(chmod(runtime.path().toLocal8Bit().constData(), 0700), 0);
    // An X server, XWayland included, keeps its sockets there; weston does not create the folder.
    mkdir("/tmp/.X11-unix", 01777);
    const TPrivateSessionBus bus;
    ASSERT_TRUE(bus.IsRunning());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const QString socket = QStringLiteral("tolvane-test-%1").arg(QCoreApplication::applicationPid());
    TChildProcess weston("weston",
                         {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--xwayland"),
                          QStringLiteral("--no-config"), QStringLiteral("--idle-time=0"), QStringLiteral("--socket=") + socket},
                         {environment, runtime.path().toStdString(), TErrorOutput::Merged, "weston"});
    std::smatch ready;
    std::string log;
    ASSERT_TRUE(RunEventsUntil([&] {
        log = weston.Output();
        return std::regex_search(log, ready, XWaylandReady);
    }, 20000)) << "weston with XWayland did not start:\n" << weston.Output();
    const std::string xDisplay = ready[1];

    // A Wayland session as a desktop announces it; Qt would pick its Wayland platform.
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xDisplay));
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(bus.BusAddress()));
    const QString program = QDir(folder.path()).filePath(QStringLiteral("tolvane"));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(BuiltProgram("tolvane")), program));
    TChildProcess tolvane(program.toStdString(), {}, {environment, folder.path().toStdString(), TErrorOutput::Merged, "tolvane"});

    // Its window is an X11 window on XWayland's display: positions, activation and ARSWIN's messages work there.
    const TScopedEnvironment display("DISPLAY", xDisplay);
    const bool found = RunEventsUntil([&] {
        return !RunCommand(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--pid"),
                                                       QString::number(tolvane.Pid()), QStringLiteral("--name"),
                                                       QStringLiteral("^TOLVANE$")}).Output.empty();
    }, 15000);
    EXPECT_TRUE(found) << "no Tolvane window on " << xDisplay << "\n--- tolvane:\n"
                       << tolvane.Output() << "\n--- weston:\n" << weston.Output();
    EXPECT_TRUE(tolvane.IsRunning());
}
