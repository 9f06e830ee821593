// rotator-sim: serves a simulated rotator controller on a pseudo-terminal linked under a chosen name.
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "RotatorModel.h"

namespace {

volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int)
{
    StopRequested = 1;
}

// While the rotator turns, one heading line at most this often; arrivals and stops always.
constexpr double HeadingReportSeconds = 0.25;
constexpr int LoopMilliseconds = 50;

void Say(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void SayHeading(double heading, const char* note = nullptr)
{
    char text[64];
    std::snprintf(text, sizeof text, "HEADING %.1f%s%s", heading, note ? " " : "", note ? note : "");
    Say(text);
}

const char* const Usage =
    "Usage: rotator-sim [options] --link PATH\n"
    "Simulates a rotator controller on a pseudo-terminal and links PATH to it, so that Tolvane\n"
    "finds it as COMn when PATH is in Tolvane's folder (~/.local/share/Tolvane/COM1, say).\n"
    "\n"
    "  --link PATH        the link to create (also accepted as the last argument)\n"
    "  --protocol NAME    gs232a (default; also gs232), gs232b or easycomm\n"
    "  --rate DEG         turning rate in degrees per second (default 4)\n"
    "  --start DEG        heading at start, 0 to 360 (default 0)\n"
    "  --help             this text\n"
    "\n"
    "Commands the simulated controller understands:\n"
    "  GS-232     Wddd (or Wddd eee) turn to ddd; S or A stop; R / L turn to the 360 / 0\n"
    "             end stop; X1..X4, U, D and E are accepted and ignored. Replies end in\n"
    "             CR LF: C answers \"+0ddd\", C2 \"+0ddd+0000\", B \"+0000\" (gs232a) or\n"
    "             \"AZ=ddd\", \"AZ=ddd  EL=000\", \"EL=000\" (gs232b); anything else answers\n"
    "             \"?>\" CR LF.\n"
    "  EasyComm   space-separated commands ending in CR or LF: AZnnn.n turn; SA stop;\n"
    "             ML / MR turn to the 0 / 360 end stop; AZ answers \"AZ\" and the heading\n"
    "             with one decimal (AZ90.0), EL answers EL0.0, together on one line ending\n"
    "             in LF; ELnnn.n, SE, MU and MD are accepted and ignored; a line with\n"
    "             anything else answers \"?ERR\" LF.\n"
    "\n"
    "Prints READY with the device when listening, RX and TX with every command and reply\n"
    "(escaped, one per line), HEADING as the rotator turns. SIGINT or SIGTERM ends it and\n"
    "removes the link. The client may close and reopen the port at any time.\n"
    "\n"
    "Field events, one per line on standard input:\n"
    "  hand DEG   the antenna is turned by hand to DEG and the controller stops driving it\n"
    "  mute       the controller goes silent: commands are taken, nothing is answered\n"
    "  unmute     it answers again\n";

struct TOptions {
    TProtocol Protocol = TProtocol::Gs232A;
    double Rate = 4.0;
    double Start = 0.0;
    std::string Link;
};

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0';
}

// Returns false (after saying why) when the arguments do not make a run.
bool ParseOptions(int argc, char** argv, TOptions& options, bool& helpOnly)
{
    helpOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h") {
            helpOnly = true;
            return true;
        }
        if (argument == "--protocol" && hasValue) {
            const std::string name = argv[++i];
            if (name == "gs232" || name == "gs232a")
                options.Protocol = TProtocol::Gs232A;
            else if (name == "gs232b")
                options.Protocol = TProtocol::Gs232B;
            else if (name == "easycomm")
                options.Protocol = TProtocol::EasyComm;
            else {
                std::fprintf(stderr, "rotator-sim: unknown protocol '%s'\n", name.c_str());
                return false;
            }
        } else if (argument == "--rate" && hasValue) {
            if (!ParseNumber(argv[++i], options.Rate) || !(options.Rate > 0) || options.Rate > 1000) {
                std::fprintf(stderr, "rotator-sim: --rate needs a number of degrees per second above 0\n");
                return false;
            }
        } else if (argument == "--start" && hasValue) {
            if (!ParseNumber(argv[++i], options.Start) || options.Start < 0 || options.Start > 360) {
                std::fprintf(stderr, "rotator-sim: --start needs a heading from 0 to 360\n");
                return false;
            }
        } else if (argument == "--link" && hasValue) {
            options.Link = argv[++i];
        } else if (argument.rfind("--", 0) != 0 && options.Link.empty()) {
            options.Link = argument;
        } else {
            std::fprintf(stderr, "rotator-sim: unexpected argument '%s'\n", argument.c_str());
            return false;
        }
    }
    if (options.Link.empty()) {
        std::fprintf(stderr, "rotator-sim: name the link to create with --link PATH\n");
        return false;
    }
    return true;
}

// Puts PATH in place as a link to the slave; an older link is replaced, anything else is kept.
bool CreateLink(const std::string& link, const std::string& slave)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path parent = fs::path(link).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, error);
    struct stat existing {};
    if (lstat(link.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            std::fprintf(stderr, "rotator-sim: %s exists and is not a link; not replacing it\n", link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(slave.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "rotator-sim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// One line typed on standard input; false when it means nothing.
bool RunFieldEvent(const std::string& line, TRotatorModel& rotator, bool& muted)
{
    double heading = 0;
    if (line.rfind("hand ", 0) == 0 && ParseNumber(line.c_str() + 5, heading) && std::isfinite(heading)) {
        rotator.TurnByHand(heading);
        SayHeading(rotator.Heading(), "(turned by hand)");
    } else if (line == "mute" || line == "unmute") {
        muted = line == "mute";
        Say(muted ? "MUTED" : "UNMUTED");
    } else {
        return false;
    }
    return true;
}

void RemoveLink(const std::string& link, const std::string& slave)
{
    char target[4096];
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == slave)
        unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    bool helpOnly = false;
    if (!ParseOptions(argc, argv, options, helpOnly)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (helpOnly) {
        std::fputs(Usage, stdout);
        return 0;
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char slaveName[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0
        || ptsname_r(master, slaveName, sizeof slaveName) != 0) {
        std::fprintf(stderr, "rotator-sim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const std::string slave = slaveName;
    // Raw until the client sets its own line: a controller echoes nothing and maps no CR.
    termios tio{};
    if (tcgetattr(master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
    if (!CreateLink(options.Link, slave))
        return 1;

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TRotatorModel rotator(options.Protocol, options.Rate, options.Start);
    const char* const protocolNames[] = {"gs232a ", "gs232b ", "easycomm "};
    Say(std::string("READY ") + protocolNames[static_cast<int>(options.Protocol)] + options.Link + " -> " + slave);
    SayHeading(rotator.Heading());

    using Clock = std::chrono::steady_clock;
    auto lastStep = Clock::now();
    auto lastReport = lastStep;
    bool muted = false;
    bool inputOpen = true;
    std::string typed;
    while (!StopRequested) {
        pollfd watches[2] = {{master, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        const int ready = poll(watches, 2, LoopMilliseconds);
        const pollfd& watch = watches[0];
        if (ready > 0 && watches[1].revents) {
            char input[256];
            const ssize_t count = read(STDIN_FILENO, input, sizeof input);
            inputOpen = count > 0;
            typed.append(input, count > 0 ? static_cast<std::size_t>(count) : 0);
            for (std::size_t end; (end = typed.find('\n')) != std::string::npos; typed.erase(0, end + 1)) {
                if (!RunFieldEvent(typed.substr(0, end), rotator, muted))
                    std::fprintf(stderr, "rotator-sim: unknown input '%s' (see --help)\n", typed.substr(0, end).c_str());
            }
            // A line without its end that no event is this long is not one.
            if (typed.size() > 256)
                typed.clear();
        }
        if (ready > 0 && (watch.revents & POLLIN)) {
            char buffer[256];
            const ssize_t received = read(master, buffer, sizeof buffer);
            if (received > 0) {
                std::vector<std::string> commands;
                const std::string replies = rotator.Receive(std::string(buffer, static_cast<std::size_t>(received)), commands);
                for (const std::string& command : commands)
                    Say("RX " + Escaped(command));
                if (rotator.TakeStopped())
                    SayHeading(rotator.Heading(), "(stopped)");
                if (!replies.empty() && !muted) {
                    Say("TX " + Escaped(replies));
                    if (write(master, replies.data(), replies.size()) < 0)
                        Say("TX lost: the client closed the port");
                }
            }
        } else if (ready > 0) {
            // No client has the port open (POLLHUP): wait for one to come back without spinning.
            const timespec pause{0, LoopMilliseconds * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }

        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - lastStep).count();
        lastStep = now;
        const TMotionEvent event = rotator.Advance(seconds);
        if (event == TMotionEvent::Arrived) {
            SayHeading(rotator.Heading(), "(arrived)");
            lastReport = now;
        } else if (event == TMotionEvent::Moved
                   && std::chrono::duration<double>(now - lastReport).count() >= HeadingReportSeconds) {
            SayHeading(rotator.Heading());
            lastReport = now;
        }
    }

    RemoveLink(options.Link, slave);
    close(master);
    Say("BYE");
    return 0;
}
