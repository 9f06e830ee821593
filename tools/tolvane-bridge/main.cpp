// tolvane-bridge: tracking programs that speak Hamlib's rotctld protocol (gpredict, rotctl, the SatNOGS
// client) drive Tolvane's AUTO through the azimuth feed Teskarn, and read back the heading that
// Tolvane publishes: on the session bus on Linux, over DDE on Windows.
#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <optional>

#include "BridgeServer.h"
#include "FeedPublisher.h"
#include "HeadingSource.h"

namespace {

void PrintUsage(const char* program)
{
    std::printf(
        "Usage: %s [--listen ADDR] [--port N] [--allow ADDR/PREFIX]...\n"
        "Serves Hamlib's rotator daemon protocol (rotctld) on TCP and publishes every azimuth set with P\n"
        "as the Teskarn feed that Tolvane follows in AUTO: dde.Teskarn on the session bus on Linux, the\n"
        "DDE service Teskarn on Windows.\n"
        "  --listen ADDR         address to listen on (default 127.0.0.1; ::1, 0.0.0.0 and :: allowed)\n"
        "  --port N              TCP port (default 4533; 0 takes a free one, named in the \"ready\" line)\n"
        "  --allow ADDR/PREFIX   accept connections only from this network and this computer (repeatable);\n"
        "                        each refused address is reported on standard error, once a minute at most\n"
        "Commands: P/\\set_pos, p/\\get_pos, S/\\stop, K/\\park, _/\\get_info, \\dump_state, q/Q, with the\n"
        "extended response prefixes + ; | and ,. While Tolvane reads the heading back (org.tolvane.Tolvane\n"
        "on the session bus, the DDE service Tolvane on Windows), p answers the azimuth read from the\n"
        "rotator if it is at most 3 s old, and otherwise the error RPRT -5 (time-out); without it, p\n"
        "answers the commanded azimuth, the last one set. The elevation is always the commanded one.\n"
        "_ says which.\n"
        "S and K are refused: the bridge cannot stop or park.\n"
        "  -h, --help            print this text and exit\n"
        "      --version         print the version and exit\n",
        program);
}

struct TOptions {
    QHostAddress Listen{QHostAddress::LocalHost};
    quint16 Port = 4533;
    QList<QPair<QHostAddress, int>> Allowed;
};

std::optional<TOptions> ParseOptions(const QStringList& arguments)
{
    TOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (i + 1 >= arguments.size())
            return std::nullopt;
        const QString value = arguments[++i];
        if (option == QStringLiteral("--listen")) {
            if (!options.Listen.setAddress(value))
                return std::nullopt;
        } else if (option == QStringLiteral("--port")) {
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (!ok || port > 65535)
                return std::nullopt;
            options.Port = static_cast<quint16>(port);
        } else if (option == QStringLiteral("--allow")) {
            const QPair<QHostAddress, int> network = QHostAddress::parseSubnet(value);
            if (network.first.isNull())
                return std::nullopt;
            options.Allowed << network;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    // Qt's own event dispatcher wakes for a client faster than GLib's main loop, which it would use otherwise.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        PrintUsage(argv[0]);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("tolvane-bridge %s\n", TOLVANE_VERSION);
        return 0;
    }
    const std::optional<TOptions> options = ParseOptions(arguments);
    if (!options) {
        PrintUsage(argv[0]);
        return 2;
    }
    const std::unique_ptr<IFeedPublisher> feed = CreateFeedPublisher(QStringLiteral("tolvane-bridge"));
    const std::unique_ptr<IHeadingSource> heading = CreateHeadingSource();
    TBridgeServer server(*feed, options->Allowed);
    // From the event loop: a Tolvane that started the bridge as Teskarn waits for it to become idle,
    // and on Windows asking who serves goes through Tolvane's window.
    QTimer::singleShot(0, [&] {
        if (!feed->Claim()) {
            QCoreApplication::exit(1);
            return;
        }
        if (heading->Start())
            server.ReadHeadingFrom([&heading] { return heading->Latest(); }, [&heading] { return heading->Now(); });
        if (!server.Listen(options->Listen, options->Port)) {
            std::fprintf(stderr, "tolvane-bridge: cannot listen on %s port %u: %s\n",
                         qPrintable(options->Listen.toString()), options->Port, qPrintable(server.ErrorText()));
            QCoreApplication::exit(1);
            return;
        }
        if (!options->Listen.isLoopback() && options->Allowed.isEmpty())
            std::fprintf(stderr, "tolvane-bridge: warning: listening on %s beyond this computer; the rotctld "
                                 "protocol has no authentication, limit it with --allow\n",
                         qPrintable(options->Listen.toString()));
        std::printf("ready %s port %u\n", qPrintable(options->Listen.toString()), server.Port());
        std::fflush(stdout);
    });
    return application.exec();
}
