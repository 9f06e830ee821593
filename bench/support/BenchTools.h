// Shared pieces of the benchmark programs: figures, child processes and a private session bus.
#pragma once

#include <QProcess>
#include <QString>

#include "app/PlatformServices.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace BenchTools {

using TClock = std::chrono::steady_clock;

double Microseconds(TClock::time_point from, TClock::time_point to);

double Percentile(std::vector<double> samples, double fraction);
// One line: median, 99th percentile, min and max of samples in microseconds.
void PrintLatencies(const char* name, const std::vector<double>& samples);
// The 1, 5 and 15 minute load averages, as /proc/loadavg gives them.
std::string LoadAverage();
[[noreturn]] void Fail(const char* what);
// The first line the process prints, waiting up to a few seconds.
std::string FirstLine(QProcess& process);
// Starts a dbus-daemon of our own and makes it this process's session bus; its address.
std::string StartPrivateBus(QProcess& daemon);
// Waits until `name` has an owner on the session bus, while `owner` runs.
bool WaitForBusName(const QString& name, QProcess& owner);
// A TCP port on loopback that nobody listens on now.
quint16 FreePort();
// tolvane-bridge from the benchmark's own folder on a free loopback port, publishing the feed; its port.
quint16 StartBridge(QProcess& bridge);
// The desktop's real services for a main window: ppdev, X11, the feed and the heading on the session bus.
TPlatformServices RealDesktopServices();
// Runs the event loop until `done` or the time is up; a check every 20 ms sees what client threads did.
void RunEventsUntil(const std::function<bool()>& done, int milliseconds);
// Runs the event loop with no timer of its own, so that an idle figure is the program's alone.
void RunEventsFor(int milliseconds);

}  // namespace BenchTools
